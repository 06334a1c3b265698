#pragma once
// The small services that stand in for the Windows interfaces. Each has a real implementation
// chosen by the build and a fake in tests/support.
#include <QString>
#include <cstdint>
#include <string>

class QWidget;
class QImage;

namespace quorrel {

// Every message of the program: OK only, no icon, title "Quorrel".
class MessageBox {
  public:
    virtual ~MessageBox() = default;
    virtual void Show(const QString& text) = 0;
};

// The screen-wide hourglass: one on/off state, not a stack.
class BusyPointer {
  public:
    virtual ~BusyPointer() = default;
    virtual void Set(bool busy) = 0;
};

// Opens the compiled help file by its bare name, owned by the given window.
class HelpViewer {
  public:
    virtual ~HelpViewer() = default;
    virtual void HtmlHelp(QWidget* owner, const std::string& file, int command, int data) = 0;
};

// Takes the window off the screen, puts an image of the whole screen on the clipboard, and
// brings the window back (the stand-in for a simulated Print Screen).
class ScreenCapture {
  public:
    virtual ~ScreenCapture() = default;
    virtual void CaptureScreen(QWidget* window) = 0;
};

// Starts another program by its path in a normal, focused window; false when it cannot start.
class ProgramStarter {
  public:
    virtual ~ProgramStarter() = default;
    virtual bool Start(const std::string& path) = 0;
};

// The registry calls that locate the system information tool (read only).
class Registry {
  public:
    using HKEY = std::uintptr_t;
    static constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
    static constexpr unsigned long REG_SZ = 1, REG_EXPAND_SZ = 2, REG_DWORD = 4;
    virtual ~Registry() = default;
    virtual long RegOpenKeyExA(HKEY root, const std::string& subKey, unsigned long options,
                               unsigned long access, HKEY* result) = 0;
    // buffer holds *size bytes on entry; on success *size is the size of the data.
    virtual long RegQueryValueExA(HKEY key, const std::string& valueName, unsigned long* type,
                                  unsigned char* buffer, unsigned long* size) = 0;
    virtual long RegCloseKey(HKEY key) = 0;
};

// The user's documents folder (folder id 5), made when it does not exist yet; "" when the
// platform cannot give one.
std::string SpecialFolderPath(int folderId);

} // namespace quorrel
