#include "content/RtfText.h"

#include <QSet>
#include <QVarLengthArray>
#include <cctype>

namespace quillbox {

namespace {

// Groups whose text is not the document's: tables, metadata, pictures and
// the like. A group marked \* is skipped too, whatever its name.
const QSet<QByteArray>& skippedDestinations() {
    static const QSet<QByteArray> names{"fonttbl",
                                        "colortbl",
                                        "stylesheet",
                                        "info",
                                        "pict",
                                        "object",
                                        "header",
                                        "headerl",
                                        "headerr",
                                        "headerf",
                                        "footer",
                                        "footerl",
                                        "footerr",
                                        "footerf",
                                        "fldinst",
                                        "listtable",
                                        "listoverridetable",
                                        "rsidtbl",
                                        "generator",
                                        "xmlnstbl",
                                        "themedata",
                                        "colorschememapping",
                                        "datastore",
                                        "latentstyles",
                                        "filetbl",
                                        "revtbl",
                                        "pgdsctbl",
                                        "mmathPr",
                                        "operator",
                                        "author",
                                        "title",
                                        "subject",
                                        "keywords",
                                        "comment",
                                        "doccomm",
                                        "bkmkstart",
                                        "bkmkend",
                                        "expandedcolortbl"};
    return names;
}

// Windows-1252's letters where Latin-1 has control characters (0x80-0x9F);
// the five unassigned ones stay as they are.
char16_t fromWindows1252(uchar byte) {
    static constexpr char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return byte >= 0x80 && byte < 0xA0 ? high[byte - 0x80] : char16_t(byte);
}

struct GroupState {
    bool isSkipped = false;
    int unicodeSkip = 1; // characters after \uN that stand in for it (\ucN)
};

} // namespace

QString plainTextFromRtf(const QByteArray& rtf) {
    QString text;
    QVarLengthArray<GroupState, 16> groups{GroupState{}};
    int pendingSkip = 0; // stand-in characters still to drop after a \uN
    const qsizetype size = rtf.size();
    // A character of the text, unless the group is skipped or it stands in for a \uN.
    const auto put = [&](char16_t c) {
        if (pendingSkip > 0) {
            --pendingSkip;
            return;
        }
        if (!groups.back().isSkipped)
            text += QChar(c);
    };
    qsizetype at = 0;
    while (at < size) {
        const char c = rtf[at];
        if (c == '{') {
            groups.append(groups.back());
            pendingSkip = 0;
            ++at;
            continue;
        }
        if (c == '}') {
            if (groups.size() > 1)
                groups.removeLast();
            pendingSkip = 0;
            ++at;
            continue;
        }
        if (c == '\r' || c == '\n') {
            ++at;
            continue;
        }
        if (c != '\\') {
            put(fromWindows1252(uchar(c)));
            ++at;
            continue;
        }
        // A control symbol or word.
        ++at;
        if (at >= size)
            break;
        const char symbol = rtf[at];
        if (!std::isalpha(uchar(symbol))) {
            ++at;
            switch (symbol) {
            case '\\':
            case '{':
            case '}':
                put(char16_t(symbol));
                break;
            case '~':
                put(u'\u00A0');
                break;
            case '_':
                put(u'\u2011');
                break;
            case '\r':
            case '\n':
                put(u'\n');
                break;
            case '*':
                groups.back().isSkipped = true;
                break;
            case '\'': {
                bool ok = false;
                const int byte = rtf.mid(at, 2).toInt(&ok, 16);
                at += 2;
                if (ok)
                    put(fromWindows1252(uchar(byte)));
                break;
            }
            default: // \- (optional hyphen) and the rest say nothing
                break;
            }
            continue;
        }
        const qsizetype wordStart = at;
        while (at < size && std::isalpha(uchar(rtf[at])))
            ++at;
        const QByteArray word = rtf.mid(wordStart, at - wordStart);
        const qsizetype numberStart = at;
        if (at < size && rtf[at] == '-')
            ++at;
        while (at < size && std::isdigit(uchar(rtf[at])))
            ++at;
        bool hasNumber = false;
        const int number = rtf.mid(numberStart, at - numberStart).toInt(&hasNumber);
        if (at < size && rtf[at] == ' ')
            ++at; // the delimiter belongs to the word
        if (skippedDestinations().contains(word)) {
            groups.back().isSkipped = true;
        } else if (word == "par" || word == "line" || word == "sect" || word == "page" ||
                   word == "row") {
            put(u'\n');
        } else if (word == "tab" || word == "cell") {
            put(u'\t');
        } else if (word == "uc" && hasNumber) {
            groups.back().unicodeSkip = std::max(0, number);
        } else if (word == "u" && hasNumber) {
            pendingSkip = 0;
            put(char16_t(number < 0 ? number + 0x10000 : number));
            pendingSkip = groups.back().unicodeSkip;
        } else if (word == "emdash") {
            put(u'\u2014');
        } else if (word == "endash") {
            put(u'\u2013');
        } else if (word == "bullet") {
            put(u'\u2022');
        } else if (word == "lquote") {
            put(u'\u2018');
        } else if (word == "rquote") {
            put(u'\u2019');
        } else if (word == "ldblquote") {
            put(u'\u201C');
        } else if (word == "rdblquote") {
            put(u'\u201D');
        }
    }
    return text;
}

} // namespace quillbox
