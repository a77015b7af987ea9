#include "RealisticCorpus.h"

#include "content/Hash.h"
#include "content/PasteboardTypes.h"
#include "content/TextMetrics.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <array>
#include <cmath>

using namespace Qt::StringLiterals;

namespace quillbox::testing {

namespace {

// Common English words, weighted by repetition towards the most frequent.
constexpr std::array words = {
    "the",         "the",       "the",       "of",       "of",         "and",        "and",
    "to",          "to",        "a",         "a",        "in",         "in",         "is",
    "it",          "that",      "for",       "you",      "was",        "with",       "on",
    "as",          "have",      "but",       "be",       "they",       "at",         "this",
    "from",        "we",        "or",        "by",       "will",       "not",        "can",
    "all",         "your",      "which",     "there",    "when",       "would",      "about",
    "their",       "what",      "more",      "some",     "other",      "into",       "could",
    "time",        "people",    "year",      "way",      "day",        "thing",      "world",
    "life",        "hand",      "part",      "place",    "case",       "week",       "company",
    "system",      "program",   "question",  "work",     "government", "number",     "night",
    "point",       "home",      "water",     "room",     "mother",     "area",       "money",
    "story",       "fact",      "month",     "lot",      "right",      "study",      "book",
    "eye",         "job",       "word",      "business", "issue",      "side",       "kind",
    "head",        "house",     "service",   "friend",   "father",     "power",      "hour",
    "game",        "line",      "end",       "member",   "law",        "car",        "city",
    "community",   "name",      "president", "team",     "minute",     "idea",       "body",
    "information", "back",      "parent",    "face",     "others",     "level",      "office",
    "door",        "health",    "person",    "art",      "war",        "history",    "party",
    "result",      "change",    "morning",   "reason",   "research",   "girl",       "guy",
    "moment",      "air",       "teacher",   "force",    "education",  "good",       "new",
    "first",       "last",      "long",      "great",    "little",     "own",        "old",
    "big",         "high",      "different", "small",    "large",      "next",       "early",
    "young",       "important", "few",       "public",   "bad",        "same",       "able",
    "said",        "made",      "found",     "went",     "came",       "knew",       "thought",
    "looked",      "wanted",    "gave",      "used",     "told",       "worked",     "called",
    "tried",       "asked",     "needed",    "felt",     "became",     "left",       "meant",
    "kept",        "began",     "seemed",    "helped",   "showed",     "heard",      "played",
    "ran",         "moved",     "lived",     "believed", "brought",    "happened",   "wrote",
    "provided",    "sat",       "stood",     "lost",     "paid",       "met",        "included",
    "continued",   "set",       "learned",   "changed",  "led",        "understood", "watched",
    "followed",    "stopped",   "created",   "spoke",    "read",       "allowed",    "added",
    "spent",       "grew",      "opened",    "walked",   "won",        "offered",    "remembered",
    "considered",  "appeared",  "bought",    "waited",   "served",     "died",       "sent",
    "expected",    "built",     "stayed",    "fell",     "cut",        "reached",    "killed",
    "remained",    "suggested", "raised",    "passed",   "sold",       "required",   "reported",
    "decided",     "pulled",    "quickly",   "really",   "almost",     "always",     "never",
    "often",       "perhaps",   "however",   "together", "already",    "still",      "very",
    "meeting",     "deadline",  "invoice",   "release",  "schedule",   "draft",      "review",
    "address",     "password",  "customer",  "order",    "delivery",   "report",     "budget",
};

// Names and words with accents, as pasted from mail and documents.
constexpr std::array accented = {
    u"café",   u"naïve",  u"Zürich", u"Müller",    u"José",     u"François", u"Søren",
    u"Łódź",   u"crème",  u"résumé", u"São Paulo", u"Ångström", u"Dvořák",   u"Gödel",
    u"façade", u"piñata", u"Málaga", u"Kraków",    u"Bjørn",    u"Renée",
};

constexpr std::array hosts = {
    "github.com",
    "docs.qt.io",
    "en.wikipedia.org",
    "stackoverflow.com",
    "www.example.com",
    "news.ycombinator.com",
    "mail.google.com",
    "www.youtube.com",
    "developer.mozilla.org",
    "lists.debian.org",
    "gitlab.freedesktop.org",
    "maps.example.net",
};

constexpr std::array codeTypes = {"int",  "auto",   "const auto&", "QString",
                                  "bool", "double", "std::size_t", "QList<Item>"};
constexpr std::array codeCalls = {"compute", "load",   "parse",  "update",  "render", "find",
                                  "insert",  "remove", "append", "resolve", "format", "open"};
constexpr std::array codeMembers = {"value",  "index",  "count", "name",  "items",  "result",
                                    "buffer", "offset", "path",  "state", "config", "row"};
constexpr std::array cssProperties = {
    "color", "background-color", "border-color", "outline-color", "fill", "stroke"};
constexpr std::array cssSelectors = {".button",        ".card:hover",     "#header",
                                     "a:visited",      ".panel > .title", "body",
                                     ".badge.warning", "nav li"};

} // namespace

RealisticCorpus::RealisticCorpus(std::uint64_t seed)
    : m_state(seed) {
}

// splitmix64: small, fast and the same everywhere.
std::uint64_t RealisticCorpus::nextRandom() {
    std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

int RealisticCorpus::bounded(int limit) {
    return int(nextRandom() % std::uint64_t(limit));
}

double RealisticCorpus::uniform() {
    return double(nextRandom() >> 11) * 0x1.0p-53;
}

// Log-normal, as copied lengths are: many short texts, a long tail; outside
// the range drawn again.
int RealisticCorpus::drawLength() {
    constexpr double median = 365;
    constexpr double spread = 0.85;
    while (true) {
        const double u1 = 1.0 - uniform();
        const double u2 = uniform();
        const double normal = std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * M_PI * u2);
        const double length = median * std::exp(spread * normal);
        if (length >= minimumLength && length <= maximumLength)
            return int(length);
    }
}

QString RealisticCorpus::sentence() {
    const int count = 4 + bounded(16);
    QString text;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text += bounded(12) == 0 ? u", "_s : u" "_s;
        const int pick = bounded(40);
        if (pick == 0)
            text += QString::fromUtf16(accented[bounded(int(accented.size()))]);
        else if (pick == 1)
            text += QString::number(bounded(10'000));
        else
            text += QLatin1StringView(words[bounded(int(words.size()))]);
    }
    text[0] = text[0].toUpper();
    static constexpr std::array endings = {u'.', u'.', u'.', u'.', u'?', u'!', u':'};
    text += endings[bounded(int(endings.size()))];
    return text;
}

QString RealisticCorpus::prose(int length) {
    QString text;
    int sentencesInParagraph = 0;
    while (text.size() < length) {
        if (!text.isEmpty()) {
            if (sentencesInParagraph >= 3 + bounded(4)) {
                text += u"\n\n"_s;
                sentencesInParagraph = 0;
            } else {
                text += u' ';
            }
        }
        text += sentence();
        ++sentencesInParagraph;
    }
    return text;
}

QString RealisticCorpus::identifier() {
    QString name = QLatin1StringView(codeMembers[bounded(int(codeMembers.size()))]);
    if (bounded(3) == 0) {
        QString second = QLatin1StringView(codeMembers[bounded(int(codeMembers.size()))]);
        second[0] = second[0].toUpper();
        name += second;
    }
    return name;
}

QString RealisticCorpus::code(int length) {
    QString text;
    int depth = 0;
    while (text.size() < length) {
        const QString indent(depth * 4, u' ');
        const auto type = QLatin1StringView(codeTypes[bounded(int(codeTypes.size()))]);
        const auto call = QLatin1StringView(codeCalls[bounded(int(codeCalls.size()))]);
        switch (bounded(depth > 0 ? 6 : 5)) {
        case 0:
        case 1:
            text += indent + type + u' ' + identifier() + u" = "_s + call + u'(' + identifier() +
                    u", "_s + QString::number(bounded(256)) + u");\n"_s;
            break;
        case 2:
            text += indent + u"if ("_s + identifier() + u" != "_s + identifier() + u") {\n"_s;
            ++depth;
            break;
        case 3:
            text += indent + u"for ("_s + type + u' ' + identifier() + u" : "_s + identifier() +
                    u")\n"_s + indent + u"    "_s + call + u'(' + identifier() + u");\n"_s;
            break;
        case 4:
            text += indent + u"// "_s + sentence() + u'\n';
            break;
        default:
            --depth;
            text += QString(depth * 4, u' ') + u"}\n"_s;
        }
    }
    while (depth-- > 0)
        text += QString(depth * 4, u' ') + u"}\n"_s;
    return text;
}

QString RealisticCorpus::url(int length) {
    QString text = u"https://"_s + QLatin1StringView(hosts[bounded(int(hosts.size()))]);
    const int target = std::min(length, 40 + bounded(220));
    while (text.size() < target) {
        text += u'/';
        text += bounded(4) == 0 ? QString::number(nextRandom() % 1'000'000)
                                : QLatin1StringView(words[bounded(int(words.size()))]);
    }
    if (bounded(3) == 0)
        text += u"?q="_s + QLatin1StringView(words[bounded(int(words.size()))]) + u"&page="_s +
                QString::number(1 + bounded(20));
    return text;
}

QString RealisticCorpus::styleSheet(int length) {
    QString text;
    const int target = std::min(length, 30 + bounded(400));
    while (text.size() < target) {
        text += QLatin1StringView(cssSelectors[bounded(int(cssSelectors.size()))]) + u" {\n"_s;
        for (int i = 1 + bounded(4); i > 0; --i)
            text += u"    "_s +
                    QLatin1StringView(cssProperties[bounded(int(cssProperties.size()))]) +
                    u": #"_s +
                    QString::number(nextRandom() & 0xffffff, 16).rightJustified(6, u'0') + u";\n"_s;
        text += u"}\n"_s;
    }
    return text;
}

CorpusText RealisticCorpus::next() {
    while (true) {
        const int length = drawLength();
        const int kind = bounded(100);
        CorpusText item;
        if (kind < 72) {
            item.text = prose(length);
            // Cut at the drawn length, between words where there is one near.
            const qsizetype space = item.text.lastIndexOf(u' ', length);
            item.text.truncate(space >= minimumLength && space > length - 20 ? space : length);
        } else if (kind < 86) {
            item.text = code(length);
            item.category = ContentCategory::code;
        } else if (kind < 95) {
            item.text = url(length);
            item.category = ContentCategory::url;
        } else {
            item.text = styleSheet(length);
            item.category = ContentCategory::code;
        }
        if (item.text.size() > maximumLength)
            item.text.truncate(maximumLength);
        if (item.text.size() < minimumLength)
            continue;
        const std::size_t key = qHash(item.text, 0x5eed);
        if (m_seen.contains(key))
            continue;
        m_seen.insert(key);
        return item;
    }
}

QByteArray corpusImportLine(const CorpusText& text, const QDateTime& copiedAt) {
    const QByteArray content = text.text.toUtf8();
    const QJsonObject line{
        {u"category"_s, rawValue(text.category)},
        {u"contentType"_s,
         text.category == ContentCategory::url ? PasteboardType::url : PasteboardType::string},
        {u"content"_s, QString::fromLatin1(content.toBase64())},
        {u"contentHash"_s, sha256Hash(content)},
        {u"copiedAt"_s, copiedAt.toUTC().toString(Qt::ISODateWithMs)},
        {u"characterCount"_s, double(characterCount(text.text))},
        {u"isPinned"_s, false},
    };
    return QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
}

bool writeCorpusImportFile(const QString& path, int count, const QDateTime& newest, int spacingSecs,
                           std::uint64_t seed) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    RealisticCorpus corpus(seed);
    for (int i = 0; i < count; ++i)
        file.write(corpusImportLine(corpus.next(), newest.addSecs(-qint64(i) * spacingSecs)));
    return file.commit();
}

} // namespace quillbox::testing
