#include "state/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Installs this build into a temporary prefix, as a packager would, and checks where each file
// lands and that the installed program finds its data there.
class TestInstall : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    // Every installed file, against the source it is installed from where there is one.
    void holdsFile_data();
    void holdsFile();

    void binHoldsOnlyTheProgram();
    void programFindsItsFilesInShare();

private:
    QTemporaryDir m_prefix;
};

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void TestInstall::initTestCase() {
    QVERIFY(m_prefix.isValid());
    QProcess install;
    install.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    install.start(QStringLiteral(COURTVANE_CMAKE),
                  {QStringLiteral("--install"), QStringLiteral(COURTVANE_BUILD_DIR),
                   QStringLiteral("--prefix"), m_prefix.path()});
    QVERIFY(install.waitForFinished(60'000));
    QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
             install.readAllStandardOutput().constData());
}

void TestInstall::holdsFile_data() {
    QTest::addColumn<QString>("installed");
    QTest::addColumn<QString>("source");

    const QString resources = QStringLiteral(COURTVANE_SOURCE_DIR "/resources/");
    QTest::newRow("program") << QStringLiteral("bin/courtvane") << QString();
    for (const char* file : {"buzzer.wav", "horn.wav", "courtvanehelpfile.rtf"}) {
        QTest::newRow(file) << QStringLiteral("share/courtvane/") + QLatin1String(file)
                            << resources + QLatin1String(file);
    }
    QTest::newRow("desktop entry") << QStringLiteral("share/applications/courtvane.desktop")
                                   << resources + QStringLiteral("courtvane.desktop");
    QTest::newRow("metainfo") << QStringLiteral("share/metainfo/org.example.courtvane.metainfo.xml")
                              << resources + QStringLiteral("courtvane.metainfo.xml");
    QTest::newRow("copyright") << QStringLiteral("share/doc/courtvane/copyright")
                               << resources + QStringLiteral("copyright");
    QTest::newRow("man page") << QStringLiteral("share/man/man6/courtvane.6.gz") << QString();
    QTest::newRow("scalable icon") << QStringLiteral("share/icons/hicolor/scalable/apps/courtvane.svg")
                                   << resources + QStringLiteral("icons/courtvane.svg");
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        QTest::addRow("icon %d", size)
            << QStringLiteral("share/icons/hicolor/%1x%1/apps/courtvane.png").arg(size)
            << resources + QStringLiteral("icons/courtvane-%1.png").arg(size);
    }
}

void TestInstall::holdsFile() {
    QFETCH(QString, installed);
    QFETCH(QString, source);

    const QFileInfo file(QDir(m_prefix.path()).filePath(installed));
    QVERIFY2(file.isFile(), qPrintable(installed));
    QVERIFY(file.size() > 0);
    if (!source.isEmpty())
        QCOMPARE(contents(file.filePath()), contents(source));
}

void TestInstall::binHoldsOnlyTheProgram() {
    const QDir bin(QDir(m_prefix.path()).filePath(QStringLiteral("bin")));
    QCOMPARE(bin.entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("courtvane")});
    QVERIFY(QFileInfo(bin.filePath(QStringLiteral("courtvane"))).isExecutable());
}

void TestInstall::programFindsItsFilesInShare() {
    // The files themselves are checked above.
    const QDir prefix(m_prefix.path());
    QCOMPARE(dataFolderFor(prefix.filePath(QStringLiteral("bin"))),
             prefix.filePath(QStringLiteral("share/courtvane")));
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
