#pragma once
#include "platform/Services.h"

#include <QString>
#include <QStringList>

namespace quorrel {

// Opens the compiled help with a CHM viewer (xchm), or its HTML pages in the browser when no
// viewer is installed. Nothing is reported: what the user sees is the viewer's business.
class QtHelpViewer : public HelpViewer {
  public:
    void HtmlHelp(QWidget* owner, const std::string& file, int command, int data) override;

    // Where a bare help file name is looked for: beside the program, then in ../share/quorrel.
    static QStringList HelpFolders();
    // The first folder holding `name`, or "" when none does.
    static QString FindIn(const QStringList& folders, const QString& name);
};

} // namespace quorrel
