#include "PixSteps.h"

#include "core/Ini.h"
#include "core/Paths.h"
#include "core/RuntimeError.h"
#include "core/TextFile.h"

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

AddPictureResult AddPicture(const std::string& collectorPath, const PictureEncoder& encode) {
    const std::string settings = PixSettingsFile(collectorPath);
    if (!FolderExists(PixFolder(collectorPath))) {
        CreateFolder(PixFolder(collectorPath));
        WriteINI(settings, kSection, kKey, "0");
    }
    const std::string picNum = ReadINI(settings, kSection, kKey);
    if (picNum == "15") return {true, {}};

    const int next = CInt(picNum) + 1;
    if (next > 32767) throw RuntimeError(ErrOverflow);
    const std::string number = std::to_string(next);

    WriteFileAtomic(PicturePath(collectorPath, number), encode());
    WriteINI(settings, kSection, kKey, number);
    return {false, number};
}

} // namespace quorrel
