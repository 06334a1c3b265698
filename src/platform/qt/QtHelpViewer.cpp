#include "QtHelpViewer.h"

namespace quorrel {

void QtHelpViewer::HtmlHelp(QWidget*, const std::string&, int, int) {}

} // namespace quorrel
