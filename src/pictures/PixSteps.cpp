#include "PixSteps.h"

#include "core/Ini.h"
#include "core/Paths.h"
#include "core/RuntimeError.h"
#include "core/TextFile.h"

#include <unistd.h>

namespace quorrel {

namespace {
const std::string kSection = "Collector";
const std::string kKey = "PicNum";
} // namespace

std::string PixFolder(const std::string& collectorPath) {
    return InFolder(collectorPath, "Pix");
}

std::string PixSettingsFile(const std::string& collectorPath) {
    return InFolder(PixFolder(collectorPath), "Settings.ini");
}

std::string PicturePath(const std::string& collectorPath, const std::string& number) {
    return InFolder(PixFolder(collectorPath), number + ".jpg");
}

std::string PicturePath(const std::string& collectorPath, int number) {
    return PicturePath(collectorPath, std::to_string(number));
}

namespace {

// Steps 2 to 6 in a Pix folder that exists: PicNum read, the picture written, then PicNum raised.
// A failure after the picture was written removes it again.
AddPictureResult StorePicture(const std::string& pix, const PictureEncoder& encode) {
    const std::string settings = InFolder(pix, "Settings.ini");
    const std::string picNum = ReadINI(settings, kSection, kKey);
    if (picNum == "15") return {true, {}};

    const int next = CInt(picNum) + 1;
    if (next > 32767) throw RuntimeError(ErrOverflow);
    const std::string number = std::to_string(next);
    const std::string picture = InFolder(pix, number + ".jpg");
    RefuseLink(picture);
    // A picture already there is never replaced (the start finishes an Add a crash cut short,
    // so one found here was put there by hand).
    if (EntryExists(picture))
        throw RuntimeError(ErrFileExists,
                           DescriptionOf(ErrFileExists) + ": '" + picture +
                               "' is there already, but the pictures' PicNum says " + picNum +
                               ". Nothing was added; move that file away to add pictures.");
    CheckWritable(settings);

    WriteFileAtomic(picture, encode(), false);
    try {
        WriteINI(settings, kSection, kKey, number);
    } catch (const RuntimeError&) {
        ::unlink(picture.c_str());
        throw;
    }
    return {false, number};
}

} // namespace

AddPictureResult AddPicture(const std::string& collectorPath, const PictureEncoder& encode) {
    const std::string pix = PixFolder(collectorPath);
    RefuseLink(pix);
    if (FolderExists(pix)) return StorePicture(pix, encode);

    // The first picture: Pix is built whole (PicNum "0", the picture, PicNum "1") in the
    // temporary folder and appears only when complete, so a failure leaves the collector as if
    // it had never been tried.
    const std::string temp = MakeTempFolder(collectorPath);
    try {
        WriteINI(temp + P("\\Settings.ini"), kSection, kKey, "0");
        const AddPictureResult r = StorePicture(temp, encode);
        MoveIntoPlace(temp, pix);
        return r;
    } catch (const RuntimeError&) {
        DropTemp(temp);
        throw;
    }
}

} // namespace quorrel
