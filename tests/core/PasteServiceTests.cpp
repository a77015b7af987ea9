#include "PasteTestSupport.h"

#include <QUrl>
#include <gtest/gtest.h>

namespace quillbox::testing {
namespace {

// "type=value;type=value | ..." for each written item, in order.
QString describe(const QList<PasteboardItem>& items) {
    QStringList described;
    for (const auto& item : items) {
        QStringList flavours;
        for (const auto& type : item.types())
            flavours.append(type + u'=' + QString::fromUtf8(*item.data(type)));
        described.append(flavours.join(u';'));
    }
    return described.join(QStringLiteral(" | "));
}

struct WriteCase {
    const char* name;
    std::function<ParsedClipboardContent()> content;
    bool asPlainText;
    QString expected;
};

class PasteServiceWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(PasteServiceWrite, WritesTheFlavoursInOrderWithTheMarkerOnTheFirstItem) {
    PasteRig rig;
    const auto item = rig.record(GetParam().content());
    rig.pasteService->write(*item, GetParam().asPlainText, rig.pasteboard);
    ASSERT_EQ(rig.pasteboard.writes().size(), 1);
    EXPECT_EQ(describe(rig.pasteboard.writes().first()), GetParam().expected);
}

ParsedClipboardContent rtf() {
    return parsedContent("{\\rtf1 Hi}", PasteboardType::rtf, ContentCategory::richText,
                         QStringLiteral("Hi"));
}

ParsedClipboardContent files(const QByteArray& lines) {
    return parsedContent(lines, PasteboardType::fileURL, ContentCategory::file);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PasteServiceWrite,
    ::testing::Values(
        WriteCase{"TextCapturedAsPlainTextIsWrittenOnce",
                  [] { return textContent(QStringLiteral("hello")); }, false,
                  QStringLiteral("public.utf8-plain-text=hello;com.quillbox.internal=")},
        WriteCase{"RichTextGetsItsDataAndThePlainText", rtf, false,
                  QStringLiteral("public.rtf={\\rtf1 Hi};public.utf8-plain-text=Hi;"
                                 "com.quillbox.internal=")},
        WriteCase{"RichTextAsPlainTextGetsOnlyTheText", rtf, true,
                  QStringLiteral("public.utf8-plain-text=Hi;com.quillbox.internal=")},
        WriteCase{"UrlGetsThePublicUrlFlavourAndText",
                  [] { return urlContent(QStringLiteral("https://example.org/a")); }, false,
                  QStringLiteral("public.url=https://example.org/a;"
                                 "public.utf8-plain-text=https://example.org/a;"
                                 "com.quillbox.internal=")},
        WriteCase{"ImageNeverGetsATextFlavour",
                  [] {
                      return parsedContent("PNG", PasteboardType::png, ContentCategory::image,
                                           QStringLiteral("caption"));
                  },
                  false, QStringLiteral("public.png=PNG;com.quillbox.internal=")},
        WriteCase{"ImageWithoutTextAsPlainTextIsAnEmptyMarkedItem",
                  [] { return imageContent("PNG"); }, true,
                  QStringLiteral("com.quillbox.internal=")},
        WriteCase{"ThreeFilesGiveThreeItemsOnlyTheFirstMarked",
                  [] { return files("/tmp/a.txt\nfile:///tmp/b%20c.txt\n\n/tmp/d.txt\n"); }, false,
                  QStringLiteral("public.file-url=file:///tmp/a.txt;public.utf8-plain-text=/tmp/"
                                 "a.txt;com.quillbox.internal= | "
                                 "public.file-url=file:///tmp/b%20c.txt;public.utf8-plain-text=/"
                                 "tmp/b c.txt | "
                                 "public.file-url=file:///tmp/d.txt;public.utf8-plain-text=/tmp/"
                                 "d.txt")},
        WriteCase{"FileItemWithoutUrlsIsWrittenFromItsContent", [] { return files("\n\n"); }, false,
                  QStringLiteral("public.file-url=\n\n;com.quillbox.internal=")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PasteService, CopyWritesAndMovesTheItemToTheFrontWithoutSoundOrKeys) {
    PasteRig rig;
    const auto older = rig.record(textContent(QStringLiteral("older")));
    rig.record(textContent(QStringLiteral("newer")));
    serveFor(5ms); // copy times have millisecond resolution
    rig.pasteService->copy(older, false);
    EXPECT_EQ(rig.pasteboard.writes().size(), 1);
    EXPECT_EQ(rig.store.allItems().first(), older);
    EXPECT_FALSE(rig.store.hasUnsavedChanges());
    serveFor(250ms);
    EXPECT_TRUE(rig.player.played().isEmpty());
    EXPECT_TRUE(rig.keystrokes.sentKeystrokes().isEmpty());
}

TEST(PasteService, PastePlaysTinkAndSendsTheKeystrokeAfterTheDelay) {
    PasteRig rig;
    const auto item = rig.record(textContent(QStringLiteral("hello")));
    rig.keystrokes.restartClock();
    rig.pasteService->paste(item, false);
    EXPECT_EQ(rig.pasteboard.writes().size(), 1);
    EXPECT_EQ(rig.player.played(), QStringList{QStringLiteral("Tink")});
    EXPECT_TRUE(rig.keystrokes.sentKeystrokes().isEmpty()) << "the keystroke went out at once";
    ASSERT_TRUE(waitUntil([&] { return !rig.keystrokes.sentKeystrokes().isEmpty(); }));
    EXPECT_GE(rig.keystrokes.sentAt().first(), 140); // the timer may fire 5% early
    serveFor(200ms);
    EXPECT_EQ(rig.keystrokes.sentKeystrokes().size(), 1);
}

TEST(PasteService, PasteWithoutPermissionCopiesAndAsksInsteadOfTyping) {
    PasteRig rig(/*granted=*/false);
    const auto item = rig.record(textContent(QStringLiteral("x")));
    rig.pasteService->paste(item, true);
    EXPECT_EQ(rig.pasteboard.writes().size(), 1);
    EXPECT_EQ(rig.probe.requests(), 1);
    EXPECT_TRUE(rig.access->isPolling());
    serveFor(300ms);
    EXPECT_TRUE(rig.keystrokes.sentKeystrokes().isEmpty());
}

// A paste that stops short is told: with a callback to the caller, without
// one (the panel) to the user; the advice to paste by hand only once.
struct ShortPasteCase {
    const char* name;
    bool granted;
    bool refusesWrites;
    bool refusesKeys;
    PasteService::PasteOutcome outcome;
    QStringList toldAfterTwoPastes;
};

class PasteServiceOutcome : public ::testing::TestWithParam<ShortPasteCase> {};

TEST_P(PasteServiceOutcome, ReachesTheCallerOrTheUser) {
    const ShortPasteCase& c = GetParam();
    PasteRig rig(c.granted);
    rig.pasteboard.setRefusesWrites(c.refusesWrites);
    rig.keystrokes.setRefusesKeys(c.refusesKeys);
    const auto item = rig.record(textContent(QStringLiteral("x")));

    std::optional<PasteService::PasteOutcome> outcome;
    rig.pasteService->paste(item, false, [&](PasteService::PasteOutcome got) { outcome = got; });
    ASSERT_TRUE(waitUntil([&] { return outcome.has_value(); }));
    EXPECT_EQ(*outcome, c.outcome);

    QStringList told;
    QObject::connect(rig.pasteService.get(), &PasteService::pasteStoppedShort,
                     [&](const QString& message) { told.append(message); });
    rig.pasteService->paste(item, false);
    rig.pasteService->paste(item, false);
    serveFor(400ms);
    EXPECT_EQ(told, c.toldAfterTwoPastes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PasteServiceOutcome,
    ::testing::Values(
        ShortPasteCase{"KeysWentOut", true, false, false, PasteService::PasteOutcome::pasted, {}},
        ShortPasteCase{
            "ClipboardRefused",
            true,
            true,
            false,
            PasteService::PasteOutcome::notCopied,
            {PasteService::clipboardRefusedText(), PasteService::clipboardRefusedText()}},
        ShortPasteCase{"NoKeysCouldBeSent",
                       true,
                       false,
                       true,
                       PasteService::PasteOutcome::copiedOnly,
                       {PasteService::pasteByHandText()}},
        ShortPasteCase{"NoPermission",
                       false,
                       false,
                       false,
                       PasteService::PasteOutcome::copiedOnly,
                       {PasteService::pasteByHandText()}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quillbox::testing
