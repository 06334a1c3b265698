#pragma once
// The picture store of a collector, apart from any window: the folder CollectorPath & "\Pix",
// its Settings.ini (section Collector, key PicNum) and the pictures 1.jpg ... 15.jpg.
#include <functional>
#include <string>

namespace quorrel {

inline constexpr int kPictureSlots = 15;

std::string PixFolder(const std::string& collectorPath);       // CollectorPath & "\Pix"
std::string PixSettingsFile(const std::string& collectorPath); // ... & "\Pix\Settings.ini"
// CollectorPath & "\Pix\" & n & ".jpg", appended unchanged even after a trailing separator.
std::string PicturePath(const std::string& collectorPath, const std::string& number);
std::string PicturePath(const std::string& collectorPath, int number);

// Gives the picture as the bytes of a bitmap file; throws RuntimeError 380 when there is no
// picture to give.
using PictureEncoder = std::function<std::string()>;

struct AddPictureResult {
    bool full = false;  // PicNum was "15": nothing was written
    std::string number; // the number the picture was stored under
};

// Add To Collector, without the refresh: takes the next number from PicNum, writes the picture
// and only then the new PicNum. All or nothing: the picture goes through a temporary file, a
// failure to raise PicNum removes it again, and the first picture builds Pix (PicNum "0", the
// picture, PicNum "1") whole before it appears. A link where Pix belongs is refused, and a file
// already under the next number is never replaced (58, naming it). Every failure is a
// RuntimeError.
AddPictureResult AddPicture(const std::string& collectorPath, const PictureEncoder& encode);

} // namespace quorrel
