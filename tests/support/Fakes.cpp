#include "Fakes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QWidget>
#include <fstream>
#include <sstream>

namespace quorrel::test {

void FakeClipboard::Clear() {
    text_.clear();
    image_ = QImage();
    secret_ = false;
    textProblem_.clear();
    ++writes;
    ++notices;
    emit changed();
}

void FakeClipboard::SetText(const QString& t) {
    if (beforeWrite) beforeWrite();
    text_ = t;
    image_ = QImage();
    secret_ = false;
    textProblem_.clear();
    ++writes;
    ++notices;
    emit changed();
}

void FakeClipboard::SetData(const QImage& img) {
    text_.clear();
    image_ = img;
    secret_ = false;
    textProblem_.clear();
    ++writes;
    ++notices;
    emit changed();
}

void FakeClipboard::ExternalTooLarge(const QString& problem) {
    text_.clear();
    image_ = QImage();
    secret_ = false;
    textProblem_ = problem;
    ++notices;
    emit changed();
}

void FakeClipboard::ExternalText(const QString& t, bool secret) {
    text_ = t;
    secret_ = secret;
    textProblem_.clear();
    image_ = QImage();
    ++notices;
    emit changed();
}

void FakeClipboard::ExternalImage(const QImage& img) {
    text_.clear();
    secret_ = false;
    image_ = img;
    ++notices;
    emit changed();
}

void FakeCapture::CaptureScreen(QWidget* window) {
    window->setVisible(false);
    windowWasHidden = true;
    clipboard.Clear();
    clipboard.SetData(screen);
    window->setVisible(true);
}

long FakeRegistry::RegOpenKeyExA(HKEY root, const std::string& subKey, unsigned long,
                                 unsigned long access, HKEY* result) {
    accessAsked.push_back(access);
    if (root != HKEY_LOCAL_MACHINE || !keys.count(subKey)) return 2;
    handles_.push_back(subKey);
    *result = handles_.size();
    ++open;
    return 0;
}

long FakeRegistry::RegQueryValueExA(HKEY key, const std::string& valueName, unsigned long* type,
                                    unsigned char* buffer, unsigned long* size) {
    if (key == 0 || key > handles_.size()) return 6;
    const auto& values = keys[handles_[key - 1]];
    auto it = values.find(valueName);
    if (it == values.end()) return 2;
    if (it->second.data.size() > *size) return 234; // ERROR_MORE_DATA
    *type = it->second.type;
    std::copy(it->second.data.begin(), it->second.data.end(), buffer);
    *size = static_cast<unsigned long>(it->second.data.size());
    return 0;
}

long FakeRegistry::RegCloseKey(HKEY) {
    --open;
    return 0;
}

World::World() {
    docs = QDir::cleanPath(dir_.path() + QStringLiteral("/Documents")).toStdString();
    QDir().mkpath(QString::fromStdString(docs));
    app = std::make_unique<App>(Services());
}

World::~World() {
    app.reset();
    Drain();
}

PlatformServices World::Services() {
    PlatformServices s;
    s.clipboard = &clipboard;
    s.messages = &messages;
    s.busy = &busy;
    s.keys = &keys;
    s.help = &help;
    s.capture = &capture;
    s.registry = &registry;
    s.starter = &starter;
    std::string d = docs;
    s.specialFolderPath = [d](int id) { return id == 5 ? d : std::string(); };
    return s;
}

std::string World::Path(const std::string& relative) const {
    return docs + "/" + relative;
}

void World::Write(const std::string& relative, const std::string& bytes) const {
    const QString p = QString::fromStdString(Path(relative));
    QDir().mkpath(QFileInfo(p).path());
    std::ofstream(Path(relative), std::ios::binary) << bytes;
}

std::string World::Read(const std::string& relative) const {
    std::ifstream in(Path(relative), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool World::Exists(const std::string& relative) const {
    return QFileInfo::exists(QString::fromStdString(Path(relative)));
}

void World::MakeCollector(const std::string& name, const std::vector<std::string>& clips,
                          bool open) {
    const std::string c = "Clips/Data/" + name + "/";
    std::string numb, data;
    for (size_t i = 0; i < clips.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        Write(c + n, clips[i] + "\r\n");
        numb += n + "\r\n";
        data += n + ") " + clips[i].substr(0, clips[i].find('\r')) + "\r\n";
    }
    Write(c + "Settings.ini", "[Collector]\r\nClipNumber=" + std::to_string(clips.size()) + "\r\n");
    if (!clips.empty()) {
        Write(c + "Numb", numb);
        Write(c + "Data", data);
    }
    if (open) {
        const std::string folder = Path(c);
        Write("Clips/Data/Settings.ini",
              "[Collector]\r\nLabel=" + name + "\r\nOpen=" + folder + "\r\nSkip=" + name + "\r\n");
    }
}

void Drain() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace quorrel::test
