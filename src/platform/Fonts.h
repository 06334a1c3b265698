#pragma once
// The desktop's font configuration, read on a thread of its own while the program starts. The
// first text a window shows needs it, and reading it (fontconfig's files and caches) takes
// about as long as the rest of the start together; meanwhile Qt connects to the display.
#include <thread>

namespace quorrel {

class FontConfigReader {
  public:
    FontConfigReader();
    ~FontConfigReader();
    FontConfigReader(const FontConfigReader&) = delete;
    FontConfigReader& operator=(const FontConfigReader&) = delete;
    // Returns once the configuration is read. Call it before the first window is built: a
    // second reader started by Qt meanwhile would read it all again.
    void Wait();
    // For a start that ends without a window (a second start, a wrong option): the reading
    // goes on unwaited until the process ends, so that the end does not wait for it.
    void Abandon();

  private:
    std::thread thread_;
};

} // namespace quorrel
