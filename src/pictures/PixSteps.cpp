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
    return collectorPath + P("\\Pix");
}

std::string PixSettingsFile(const std::string& collectorPath) {
    return collectorPath + P("\\Pix\\Settings.ini");
}

std::string PicturePath(const std::string& collectorPath, const std::string& number) {
    return collectorPath + P("\\Pix\\") + number + ".jpg";
}

std::string PicturePath(const std::string& collectorPath, int number) {
    return PicturePath(collectorPath, std::to_string(number));
}

namespace {

// Steps 2 to 6 in a Pix folder that exists: PicNum read, the picture written, then PicNum raised.
// A failure after the picture was written removes it again.
AddPictureResult StorePicture(const std::string& pix, const PictureEncoder& encode) {
    const std::string settings = pix + P("\\Settings.ini");
    const std::string picNum = ReadINI(settings, kSection, kKey);
    if (picNum == "15") return {true, {}};

    const int next = CInt(picNum) + 1;
    if (next > 32767) throw RuntimeError(ErrOverflow);
    const std::string number = std::to_string(next);
    const std::string picture = pix + P("\\") + number + ".jpg";

    WriteFileAtomic(picture, encode());
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
