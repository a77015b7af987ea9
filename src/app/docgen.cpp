// Writes the files that describe the command line: the manual page and the
// shell completions, from the command table the program itself parses with.
// Run by the build; not installed.
//
//   quillbox_docgen FOLDER VERSION
#include "app/ManualPage.h"
#include "app/ShellCompletions.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

bool write(const QString& path, const QString& text) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.commit())
        return true;
    std::fprintf(stderr, "quillbox_docgen: could not write %s: %s\n", qPrintable(path),
                 qPrintable(file.errorString()));
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: quillbox_docgen FOLDER VERSION\n");
        return 2;
    }
    const QDir folder(arguments.at(1));
    if (!QDir().mkpath(folder.path()))
        return 1;
    const bool ok =
        write(folder.filePath(u"quillbox.1"_s), quillbox::manualPage(arguments.at(2))) &&
        write(folder.filePath(u"quillbox.bash"_s), quillbox::bashCompletion()) &&
        write(folder.filePath(u"_quillbox"_s), quillbox::zshCompletion()) &&
        write(folder.filePath(u"quillbox.fish"_s), quillbox::fishCompletion());
    return ok ? 0 : 1;
}
