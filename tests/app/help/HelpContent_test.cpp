// The help that ships with the program, as the per-user installation has it: every topic of
// the Active Help window has its anchor, and every link of the manual leads to a file that is
// there (and to an anchor that is there).

#include "app/AppTestSupport.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>

using namespace mervalon::app::testing;

namespace {

QString readText(const QString& path)
{
    return QString::fromUtf8(readFile(path));
}

/// The anchors a page defines: name="..." and id="..." attributes.
QSet<QString> anchorsOf(const QString& html)
{
    static const QRegularExpression anchor(QStringLiteral(R"re((?:\bname|\bid)\s*=\s*"([^"]*)")re"),
                                           QRegularExpression::CaseInsensitiveOption);
    QSet<QString> anchors;
    for (const QRegularExpressionMatch& match : anchor.globalMatch(html)) {
        anchors.insert(match.captured(1));
    }
    return anchors;
}

QStringList linksOf(const QString& html)
{
    static const QRegularExpression link(QStringLiteral(R"re(\b(?:href|src)\s*=\s*"([^"]*)")re"),
                                         QRegularExpression::CaseInsensitiveOption);
    QStringList links;
    for (const QRegularExpressionMatch& match : link.globalMatch(html)) {
        links << match.captured(1);
    }
    return links;
}

} // namespace

class HelpContentTest : public QObject {
    Q_OBJECT
  public:
    explicit HelpContentTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void initTestCase()
    {
        m_environment.reset();
        m_installDir = TestEnvironment::install();
    }

    void everyTopicHasItsAnchor()
    {
        const QString page = readText(m_installDir + QStringLiteral("/activehelp/qvh.htm"));
        QVERIFY2(!page.isEmpty(), "activehelp/qvh.htm is not installed");
        const QSet<QString> anchors = anchorsOf(page);
        for (int topic = 1; topic <= 33; ++topic) {
            if (topic != 8) {
                QVERIFY2(anchors.contains(QString::number(topic)),
                         qPrintable(QStringLiteral("no anchor %1").arg(topic)));
            }
        }
    }

    void everyLinkOfTheHelpLeadsToAShippedFile()
    {
        const QDir install(m_installDir);
        QStringList pending{install.filePath(QStringLiteral("help/index.html")),
                            install.filePath(QStringLiteral("activehelp/qvh.htm"))};
        QSet<QString> visited;
        QStringList broken;
        while (!pending.isEmpty()) {
            const QString page = QDir::cleanPath(pending.takeFirst());
            if (visited.contains(page)) {
                continue;
            }
            visited.insert(page);
            const QString html = readText(page);
            if (html.isEmpty()) {
                broken << page + QStringLiteral(": missing or empty");
                continue;
            }
            for (const QString& link : linksOf(html)) {
                const QUrl url(link);
                if (!url.scheme().isEmpty()) {
                    // Addresses on the web, and the like, are not files of ours.
                    continue;
                }
                const QString target =
                    url.path().isEmpty() ? page : QDir::cleanPath(QFileInfo(page).dir().filePath(url.path()));
                if (!QFileInfo(target).isFile() || !target.startsWith(m_installDir + '/')) {
                    broken << page + QStringLiteral(": ") + link;
                    continue;
                }
                if (url.hasFragment() && !anchorsOf(readText(target)).contains(url.fragment())) {
                    broken << page + QStringLiteral(": no anchor for ") + link;
                }
                if (target.endsWith(QLatin1String(".html")) || target.endsWith(QLatin1String(".htm"))) {
                    pending << target;
                }
            }
        }
        QVERIFY2(broken.isEmpty(), qPrintable(broken.join('\n')));
        // Every page of the manual can be reached from its entry page.
        const QStringList pages = QDir(install.filePath(QStringLiteral("help"))).entryList({"*.html"}, QDir::Files);
        for (const QString& name : pages) {
            QVERIFY2(visited.contains(install.filePath(QStringLiteral("help/") + name)), qPrintable(name));
        }
        QVERIFY(pages.size() >= 6);
    }

  private:
    TestEnvironment& m_environment;
    QString m_installDir;
};

MERVALON_APP_TEST_MAIN(HelpContentTest)

#include "HelpContent_test.moc"
