#pragma once
// Fakes of the platform services, and a world of the program built on them over a temporary
// documents folder. No fake ever blocks: messages are recorded, not shown.
#include "app/App.h"
#include "platform/Platform.h"

#include <QImage>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

// Failures show a QString as its text, not as its 16-bit units.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace quorrel::test {

// A control or menu entry of a window by its name, for tests that walk a table of names.
template <class T> T* Named(const QObject* window, const char* name) {
    return window->findChild<T*>(QString::fromLatin1(name));
}

class FakeClipboard : public Clipboard {
    Q_OBJECT
  public:
    void Clear() override;
    QString GetText() override { return text_; }
    void SetText(const QString& t) override;
    bool GetFormat() override { return !image_.isNull(); }
    QImage GetData() override { return image_; }
    void SetData(const QImage& img) override;
    // Another program copied something.
    void ExternalText(const QString& t, bool secret = false);
    bool IsSecret() override { return secret_; }
    // Another program copied a text too large to take.
    void ExternalTooLarge(const QString& problem);
    QString TextProblem() override { return textProblem_; }
    void ExternalImage(const QImage& img);
    int notices = 0;
    int writes = 0;
    std::function<void()> beforeWrite; // runs first in SetText: a test's way to make it fail

  private:
    QString text_;
    QImage image_;
    bool secret_ = false;
    QString textProblem_;
};

class RecordingMessageBox : public MessageBox {
  public:
    void Show(const QString& text) override { shown.append(text); }
    QStringList shown;
};

class FakeBusy : public BusyPointer {
  public:
    void Set(bool b) override {
        busy = b;
        ++changes;
    }
    bool busy = false;
    int changes = 0;
};

class FakeKeys : public KeyState {
  public:
    std::int16_t GetAsyncKeyState(int vk) override {
        auto it = down.find(vk);
        return it != down.end() && it->second ? static_cast<std::int16_t>(0x8000) : 0;
    }
    std::map<int, bool> down;
};

class FakeHelp : public HelpViewer {
  public:
    void HtmlHelp(QWidget* owner, const std::string& file, int command, int data) override {
        calls.push_back({owner, file, command, data});
    }
    struct Call {
        QWidget* owner;
        std::string file;
        int command, data;
    };
    std::vector<Call> calls;
};

class FakeCapture : public ScreenCapture {
  public:
    explicit FakeCapture(Clipboard& c) : clipboard(c) {}
    void CaptureScreen(QWidget* window) override;
    Clipboard& clipboard;
    QImage screen = QImage(64, 48, QImage::Format_RGB32);
    bool windowWasHidden = false;
};

class FakeRegistry : public Registry {
  public:
    struct Value {
        unsigned long type;
        std::string data;
    };
    std::map<std::string, std::map<std::string, Value>> keys; // key path -> values
    long RegOpenKeyExA(HKEY root, const std::string& subKey, unsigned long, unsigned long access,
                       HKEY* result) override;
    long RegQueryValueExA(HKEY key, const std::string& valueName, unsigned long* type,
                          unsigned char* buffer, unsigned long* size) override;
    long RegCloseKey(HKEY key) override;
    std::vector<unsigned long> accessAsked;
    int open = 0;

  private:
    std::vector<std::string> handles_;
};

class FakeStarter : public ProgramStarter {
  public:
    bool Start(const std::string& path) override {
        started.push_back(path);
        return canStart;
    }
    std::vector<std::string> started;
    bool canStart = true;
};

// A whole program over the fakes, with its documents folder in a temporary folder.
class World {
  public:
    World();
    ~World();
    std::string docs;
    FakeClipboard clipboard;
    RecordingMessageBox messages;
    FakeBusy busy;
    FakeKeys keys;
    FakeHelp help;
    FakeCapture capture{clipboard};
    FakeRegistry registry;
    FakeStarter starter;
    std::unique_ptr<App> app;

    PlatformServices Services();
    // Store helpers.
    std::string Path(const std::string& relative) const; // docs + "/" + relative
    void Write(const std::string& relative, const std::string& bytes) const;
    std::string Read(const std::string& relative) const;
    bool Exists(const std::string& relative) const;
    // A store with collector `name` open (Label, Skip and its Settings.ini) and these clips.
    void MakeCollector(const std::string& name, const std::vector<std::string>& clips = {},
                       bool open = true);

  private:
    QTemporaryDir dir_;
};

// Waits (without sleeping) until the event loop has run the queued work, e.g. deleteLater.
void Drain();

} // namespace quorrel::test
