#include "settings/SettingsStore.h"

#include "state/RegularFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <limits>
#include <optional>
#include <string_view>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace modSettings {

namespace {

// Organisation "Courtvane" with no application name puts the three sections directly under
// "Courtvane": the registry key on Windows, <config>/Courtvane.conf on Linux.
const QString StoreName = QStringLiteral("Courtvane");

// Only plain decimal digits with an optional leading minus count as a number: toLongLong alone
// would also take surrounding blanks, a plus sign and digits of other scripts, none of which the
// program ever writes.
bool isPlainDecimal(const QString& text) {
    const qsizetype first = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (text.size() == first)
        return false;
    for (qsizetype i = first; i < text.size(); ++i) {
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9'))
            return false;
    }
    return true;
}

template <typename Number> Number numberFromText(const QString& text, Number fallback) {
    if (!isPlainDecimal(text))
        return fallback;
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < std::numeric_limits<Number>::min() || value > std::numeric_limits<Number>::max())
        return fallback;
    return static_cast<Number>(value);
}

// The text form of the value a setting's variable holds now.
QString currentText(const Setting& setting) {
    switch (setting.kind) {
    case SettingKind::Colour:
        return colourToText(*std::get<Colour*>(setting.variable));
    case SettingKind::Key:
        return keyToText(*std::get<KeyCode*>(setting.variable));
    case SettingKind::Text:
    case SettingKind::FilePath:
        break;
    }
    return *std::get<QString*>(setting.variable);
}

// Why the store's file may not be handed to QSettings, which would wait for good on a named pipe
// and take in a file of any size whole; Saved when it may. No file yet (the first run) is fine.
SaveResult storeFileProblem() {
    switch (checkRegularFile(settingsFileName(), MaxStoreBytes)) {
    case FileRead::Read:
    case FileRead::Missing:
        return SaveResult::Saved;
    case FileRead::NotAFile:
        return SaveResult::StoreNotAFile;
    case FileRead::TooLarge:
        return SaveResult::StoreTooLarge;
    case FileRead::Unreadable:
        break;
    }
    return SaveResult::StoreUnreadable;
}

// Tells one file at path from another put there since: a write replaces the store's file with a
// new one.
QString fileIdentity(const QString& path) {
#ifdef Q_OS_UNIX
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return QStringLiteral("%1:%2:%3.%4")
        .arg(status.st_dev)
        .arg(status.st_ino)
        .arg(status.st_mtim.tv_sec)
        .arg(status.st_mtim.tv_nsec);
#else
    const QFileInfo info(path);
    return info.exists() ? info.lastModified().toString(Qt::ISODateWithMs) : QString();
#endif
}

} // namespace

QString colourToText(Colour colour) {
    return QString::number(colour);
}

// The store may have been edited by hand: a colour outside 24 bits draws nothing (an invisible
// clock), so it takes the default, as unreadable text does.
Colour colourFromText(const QString& text, Colour fallback) {
    const Colour colour = numberFromText(text, fallback);
    return colour >= 0 && colour <= 0xFFFFFF ? colour : fallback;
}

QString keyToText(KeyCode key) {
    return QString::number(key);
}

// No key produces a code below 1: such a command key could never be pressed and would lock the
// operator out of its command, so it takes the default too.
KeyCode keyFromText(const QString& text, KeyCode fallback) {
    const KeyCode key = numberFromText(text, fallback);
    return key >= 1 ? key : fallback;
}

void LoadSettings() {
    std::optional<QSettings> store;
    if (storeFileUsable(settingsFileName()))
        store.emplace(QSettings::NativeFormat, QSettings::UserScope, StoreName);

    for (const Setting& setting : Settings) {
        // Each key is read on its own: only a missing value takes the default, so an empty stored
        // path stays a deliberate "no file".
        const QString fallback = defaultText(setting);
        const QString text = store ? store->value(storePath(setting), fallback).toString() : fallback;
        switch (setting.kind) {
        case SettingKind::Colour:
            *std::get<Colour*>(setting.variable) = colourFromText(text, std::get<Colour>(setting.fallback));
            break;
        case SettingKind::Key:
            *std::get<KeyCode*>(setting.variable) = keyFromText(text, std::get<KeyCode>(setting.fallback));
            break;
        case SettingKind::Text:
        case SettingKind::FilePath:
            *std::get<QString*>(setting.variable) = text;
            break;
        }
    }
}

SaveResult SaveSettings() {
    return WriteStore([](QSettings& store) {
        for (const std::string_view key : WriteOrder) {
            const Setting& setting = settingNamed(key);
            store.setValue(storePath(setting), currentText(setting));
        }
    });
}

QHash<QString, QString> ReadStoreSection(const QString& section) {
    QHash<QString, QString> keys;
    if (!storeFileUsable(settingsFileName()))
        return keys;
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, StoreName);
    store.beginGroup(section);
    for (const QString& key : store.childKeys())
        keys.insert(key, store.value(key).toString());
    return keys;
}

SaveResult WriteStore(const std::function<void(QSettings&)>& write) {
    // What the program could not read it does not write over: the operator's own file stays.
    if (const SaveResult problem = storeFileProblem(); problem != SaveResult::Saved)
        return problem;
    const QString fileName = settingsFileName();
    if (!lockFileUsable(fileName))
        return SaveResult::LockNotAFile;
    const QString before = fileIdentity(fileName);
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, StoreName);
    write(store);

    // A store that cannot be written (read-only file or folder, full disk) would lose the operator's
    // choices at the next start, so the caller learns of it.
    store.sync();
    switch (store.status()) {
    case QSettings::NoError:
        return SaveResult::Saved;
    case QSettings::AccessError:
        return SaveResult::WriteFailed;
    case QSettings::FormatError:
        break;
    }
    // The store keeps only its first error: one from reading a damaged file hides how the write
    // went. A write that went through put a new file in the old one's place.
    return fileIdentity(fileName) != before ? SaveResult::Saved : SaveResult::WriteFailed;
}

QString saveProblemText(SaveResult result) {
    const QString file = QDir::toNativeSeparators(settingsFileName());
    QString why;
    switch (result) {
    case SaveResult::Saved:
        return {};
    case SaveResult::StoreNotAFile:
        why = QStringLiteral("The settings file %1 is not a regular file, so the program neither reads "
                             "nor writes it.");
        break;
    case SaveResult::StoreTooLarge:
        why = QStringLiteral("The settings file %1 is larger than 1 MB, too large to be this program's "
                             "settings, so the program neither reads nor writes it.");
        break;
    case SaveResult::StoreUnreadable:
        why = QStringLiteral("The settings file %1 cannot be read, so the program does not write over it.");
        break;
    case SaveResult::LockNotAFile:
        why = QStringLiteral("The lock file beside the settings file %1 is not a regular file, so the "
                             "program cannot write the settings.");
        break;
    case SaveResult::WriteFailed:
        why = QStringLiteral("The settings could not be saved to %1.");
        break;
    }
    const QString advice = result == SaveResult::WriteFailed
                               ? QString()
                               : QStringLiteral(" Move that file away to keep the settings.");
    return why.arg(file) + advice +
           QStringLiteral("\n\nThe settings stay in force until the program is closed, but the next "
                          "start will not find them.");
}

bool storeFileUsable(const QString& path) {
    const FileRead file = checkRegularFile(path, MaxStoreBytes);
    return file == FileRead::Read || file == FileRead::Missing;
}

bool lockFileUsable(const QString& fileName) {
    // Writing, QSettings takes a lock file beside the file and would wait on one it cannot take
    // (a pipe, a directory) for good. A stale regular one it clears itself.
    return storeFileUsable(fileName + QStringLiteral(".lock"));
}

QString settingsFileName() {
    // Opening the store reads its file, the very thing to check first. A store of another name,
    // which nothing keeps, lies in the same folder and gives the name without reading ours.
    const QString probeSuffix = QStringLiteral("-location");
    QString name =
        QSettings(QSettings::NativeFormat, QSettings::UserScope, StoreName + probeSuffix).fileName();
    const qsizetype at = name.lastIndexOf(StoreName + probeSuffix);
    return at < 0 ? name : name.remove(at + StoreName.size(), probeSuffix.size());
}

} // namespace modSettings
