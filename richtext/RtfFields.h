#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <string_view>
#include <vector>

// Fields (of which links are kept), bookmarks and footnotes.
namespace Rtf {

class Decoder;

// Where a footnote's text stands in the source; notes are read after the body.
struct SourceSpan {
    qsizetype start = 0;
    qsizetype size = 0;
};

class FieldBuilder {
public:
    // \fldinst: the field's instruction, of which a HYPERLINK's target is kept.
    void startInstruction() { m_instruction.clear(); }
    void addInstructionByte(char byte);
    // A field's switches may be written as control words, \l as well as \\l.
    void addInstructionWord(std::string_view word);
    // The link that the field's result is, an index into links(), or -1 when it is no link.
    int endInstruction(Decoder& decoder, int codePage);
    const std::vector<QString>& links() const { return m_links; }

    // \bkmkstart: the name of the place that the next character of text is.
    void startBookmark() { m_bookmark.clear(); }
    void addBookmarkByte(char byte);
    void endBookmark(Decoder& decoder, int codePage);
    bool bookmarksPending() const { return !m_pendingBookmarks.isEmpty(); }
    QStringList takeBookmarks();

    // \footnote: its content starts at start and ends at end, in the source.
    void startFootnote(qsizetype start) { m_footnoteStart = start; }
    void endFootnote(qsizetype end);
    const std::vector<SourceSpan>& footnotes() const { return m_footnotes; }
    // The note being read after the body, from 1; 0 while the body is read.
    void readingNote(int number) { m_noteNumber = number; }
    bool inNote() const { return m_noteNumber > 0; }
    // The number that a note's mark (\chftn) shows: in the body the next note's, in a note its own.
    int markNumber();

private:
    QByteArray m_instruction;
    std::vector<QString> m_links;
    QByteArray m_bookmark;
    QStringList m_pendingBookmarks;
    std::vector<SourceSpan> m_footnotes;
    qsizetype m_footnoteStart = 0;
    int m_marks = 0;
    int m_noteNumber = 0;
};

} // namespace Rtf
