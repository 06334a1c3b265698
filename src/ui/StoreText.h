#pragma once
// The one place where store bytes become window text and back. The store's character set is
// UTF-8 here; a text that is not valid UTF-8 is read as Windows-1252, so that stores written on
// Windows read right.
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace quorrel {

QString FromStore(const std::string& bytes);
std::string ToStore(const QString& text);
QStringList FromStore(const std::vector<std::string>& lines);

// Clip text crosses here: the clipboard holds this platform's text (LF line ends), the store
// CR LF lines. LF and CR LF become CR LF on the way in; CR LF becomes LF on the way out.
std::string ClipToStore(const QString& text);
QString StoreToClip(const std::string& bytes);

} // namespace quorrel
