#include "state/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestDataFolder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Which folder answers for a program in <root>/bin, by what lies beside it and in
    // <root>/share/courtvane.
    void folderByLayout_data();
    void folderByLayout();

    // The build tree keeps the files beside the executable, the tests' own included.
    void runningProgramUsesItsOwnFolder();
};

void TestDataFolder::folderByLayout_data() {
    QTest::addColumn<QStringList>("beside");
    QTest::addColumn<QStringList>("shared");
    QTest::addColumn<QString>("expected");

    const QString buzzer = QStringLiteral("buzzer.wav");
    const QString help = QStringLiteral("courtvanehelpfile.rtf");
    const QString bin = QStringLiteral("bin");
    const QString share = QStringLiteral("share/courtvane");
    QTest::newRow("build tree") << QStringList{buzzer, help} << QStringList{} << bin;
    QTest::newRow("installed") << QStringList{} << QStringList{buzzer, help} << share;
    QTest::newRow("only the help file beside") << QStringList{help} << QStringList{buzzer, help} << bin;
    QTest::newRow("only the buzzer beside") << QStringList{buzzer} << QStringList{buzzer, help} << bin;
    QTest::newRow("other files beside") << QStringList{QStringLiteral("courtvane"), QStringLiteral("buzzer")}
                                        << QStringList{buzzer, help} << share;
    // Nothing anywhere: the installed place, where the help window then reports its file missing.
    QTest::newRow("nowhere") << QStringList{} << QStringList{} << share;
}

void TestDataFolder::folderByLayout() {
    QFETCH(QStringList, beside);
    QFETCH(QStringList, shared);
    QFETCH(QString, expected);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QDir top(root.path());
    QVERIFY(top.mkpath(QStringLiteral("bin")) && top.mkpath(QStringLiteral("share/courtvane")));
    const auto create = [&top](const QString& folder, const QStringList& files) {
        for (const QString& file : files) {
            QFile out(top.filePath(folder + u'/' + file));
            if (!out.open(QIODevice::WriteOnly))
                return false;
        }
        return true;
    };
    QVERIFY(create(QStringLiteral("bin"), beside));
    QVERIFY(create(QStringLiteral("share/courtvane"), shared));

    QCOMPARE(dataFolderFor(top.filePath(QStringLiteral("bin"))), top.filePath(expected));
}

void TestDataFolder::runningProgramUsesItsOwnFolder() {
    QCOMPARE(dataFolder(), QCoreApplication::applicationDirPath());
}

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
