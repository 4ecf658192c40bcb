#include "richtext/RtfFields.h"

#include "richtext/RtfEncoding.h"

#include <utility>

namespace Rtf {

namespace {

// Links, bookmarks and footnotes beyond these many are shown as plain text.
constexpr size_t MaxLinks = 4096;
constexpr qsizetype MaxPendingBookmarks = 16;
constexpr size_t MaxFootnotes = 1024;
constexpr qsizetype MaxFieldInstructionBytes = 2048;
constexpr qsizetype MaxBookmarkNameBytes = 256;

// The target of a HYPERLINK field: its address, or "#name" for a bookmark of the document (\l).
QString linkTarget(const QString& instruction) {
    QStringView rest = QStringView(instruction).trimmed();
    if (!rest.startsWith(u"HYPERLINK", Qt::CaseInsensitive))
        return {};
    rest = rest.sliced(9);
    QString address;
    QString bookmark;
    bool nextIsBookmark = false;
    bool nextIsArgument = false;
    while (!(rest = rest.trimmed()).isEmpty()) {
        QStringView word;
        if (rest.front() == u'"') {
            const qsizetype end = rest.indexOf(u'"', 1);
            word = rest.sliced(1, (end < 0 ? rest.size() : end) - 1);
            rest = end < 0 ? QStringView() : rest.sliced(end + 1);
        } else {
            qsizetype end = rest.indexOf(u' ');
            end = end < 0 ? rest.size() : end;
            word = rest.first(end);
            rest = rest.sliced(end);
        }
        if (word.startsWith(u'\\') && word.size() == 2) {
            // \l names a bookmark; \o, \t take a tooltip and a frame; \m and \n take nothing.
            nextIsBookmark = word[1] == u'l';
            nextIsArgument = word[1] == u'o' || word[1] == u't';
        } else if (std::exchange(nextIsBookmark, false)) {
            bookmark = word.toString();
        } else if (!std::exchange(nextIsArgument, false) && address.isEmpty()) {
            address = word.toString();
        }
    }
    if (!bookmark.isEmpty())
        return address + u'#' + bookmark;
    return address;
}

} // namespace

void FieldBuilder::addInstructionByte(char byte) {
    if (m_instruction.size() < MaxFieldInstructionBytes)
        m_instruction.append(byte);
}

void FieldBuilder::addInstructionWord(std::string_view word) {
    if (m_instruction.size() < MaxFieldInstructionBytes)
        m_instruction.append(" \\").append(word.data(), qsizetype(word.size())).append(' ');
}

int FieldBuilder::endInstruction(Decoder& decoder, int codePage) {
    const QString target = linkTarget(decoder.decode(m_instruction, codePage));
    if (target.isEmpty() || m_links.size() >= MaxLinks)
        return -1;
    m_links.push_back(target);
    return int(m_links.size()) - 1;
}

void FieldBuilder::addBookmarkByte(char byte) {
    if (m_bookmark.size() < MaxBookmarkNameBytes)
        m_bookmark.append(byte);
}

void FieldBuilder::endBookmark(Decoder& decoder, int codePage) {
    if (const QString name = decoder.decode(m_bookmark, codePage).trimmed();
        !name.isEmpty() && m_pendingBookmarks.size() < MaxPendingBookmarks)
        m_pendingBookmarks.append(name);
}

QStringList FieldBuilder::takeBookmarks() {
    return std::exchange(m_pendingBookmarks, {});
}

void FieldBuilder::endFootnote(qsizetype end) {
    if (m_footnotes.size() < MaxFootnotes && end >= m_footnoteStart)
        m_footnotes.push_back({m_footnoteStart, end - m_footnoteStart});
}

int FieldBuilder::markNumber() {
    return m_noteNumber > 0 ? m_noteNumber : ++m_marks;
}

} // namespace Rtf
