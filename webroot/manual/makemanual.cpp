// Prints the user's guide (Markdown with pictures beside it) to the PDF manual that the web
// site serves, so the manual is remade from the guide at every build and never goes stale.
//   korvant-makemanual GUIDE.md OUTPUT.pdf
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>
#include <cstdio>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

// The text width of an A4 page with the 2 cm margins that printing adds, in the document's
// units (1/96 inch), rounded down.
constexpr qreal PictureWidth = 640;

[[noreturn]] void fail(const QString &why)
{
    std::fprintf(stderr, "korvant-makemanual: %s\n", qPrintable(why));
    std::exit(1);
}

QString readGuide(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(u"cannot read %1: %2"_s.arg(path, file.errorString()));
    return QString::fromUtf8(file.readAll());
}

// Every picture is loaded from beside the guide (a missing one fails the build) and drawn no
// wider than the text.
void placePictures(QTextDocument &document, const QDir &folder)
{
    struct Picture
    {
        int position;
        int length;
        QTextImageFormat format;
    };
    QList<Picture> pictures;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().isImageFormat())
                pictures.append({fragment.position(), fragment.length(),
                                 fragment.charFormat().toImageFormat()});
        }
    }
    for (Picture &picture : pictures) {
        const QString name = picture.format.name();
        const QImage image(folder.filePath(name));
        if (image.isNull())
            fail(u"the picture %1 is missing"_s.arg(folder.filePath(name)));
        document.addResource(QTextDocument::ImageResource, QUrl(name), image);
        const qreal width = qMin<qreal>(image.width(), PictureWidth);
        picture.format.setWidth(width);
        picture.format.setHeight(width * image.height() / image.width());
        QTextCursor cursor(&document);
        cursor.setPosition(picture.position);
        cursor.setPosition(picture.position + picture.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(picture.format);
    }
}

// Every chapter but the first starts on a page of its own, so no heading is left alone at the
// foot of a page.
void startChaptersOnNewPages(QTextDocument &document)
{
    bool first = true;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() != 2)
            continue;
        if (std::exchange(first, false))
            continue;
        QTextBlockFormat format = block.blockFormat();
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        QTextCursor(block).setBlockFormat(format);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    // Fonts and images need a GUI application, but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QTemporaryDir runtime; // a build has no session of its own
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s GUIDE.md OUTPUT.pdf\n", argv[0]);
        return 2;
    }
    const QString guide = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);

    QTextDocument document;
    QFont font(u"DejaVu Sans"_s);
    font.setPointSizeF(10);
    document.setDefaultFont(font);
    document.setMarkdown(readGuide(guide), QTextDocument::MarkdownDialectGitHub);
    placePictures(document, QFileInfo(guide).absoluteDir());
    startChaptersOnNewPages(document);

    // Written aside and put in place when complete: a failed run leaves the last manual.
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly))
        fail(u"cannot write %1: %2"_s.arg(output, file.errorString()));
    {
        QPdfWriter writer(&file);
        writer.setTitle(u"Korvant Instruction Manual"_s);
        writer.setCreator(u"korvant-makemanual"_s);
        // No margins of the page's own: printing puts 2 cm around the text and the page
        // numbers in the bottom margin.
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        document.print(&writer);
    }
    if (!file.commit())
        fail(u"cannot write %1: %2"_s.arg(output, file.errorString()));
    return 0;
}
