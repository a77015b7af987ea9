#pragma once

#include "PasteTestSupport.h"
#include "core/PanelCommandHandler.h"
#include "core/PanelListModel.h"
#include "core/SearchRecognition.h"

#include <QPromise>
#include <memory>

namespace quillbox::testing {

// A recognizer the test answers by hand, request by request.
struct ManualRecognizer {
    SearchRecognition::Recognize function() {
        return [this](const QByteArray& bytes) {
            requestedImages.append(bytes);
            promises.append(std::make_shared<QPromise<OCRResult>>());
            promises.last()->start();
            return promises.last()->future();
        };
    }
    void answer(int index, const OCRResult& result) {
        promises[index]->addResult(result);
        promises[index]->finish();
        serveFor(20ms); // the recognition goes on on the event loop
    }
    QList<QByteArray> requestedImages;
    QList<std::shared_ptr<QPromise<OCRResult>>> promises;
};

// The panel's list, its commands and the recognition while searching, as the
// application wires them, over the paste service's fakes and a store in
// memory.
struct PanelListRig : PasteRig {
    PanelListRig()
        : list(store, appState)
        , commands(appState, store, list, pasteService.get())
        , recognition(store, appState, recognizer.function()) {}

    QStringList visible() const {
        QStringList texts;
        for (const auto& item : list.items())
            texts.append(label(item));
        return texts;
    }
    QString selected() const {
        const auto item = list.itemAt(list.selectedRow());
        return item ? label(item) : QString();
    }
    void select(const QString& text) {
        for (const auto& item : store.allItems())
            if (label(item) == text)
                appState.setSelectedCardID(item->id());
    }
    static QString label(const ClipboardItemPtr& item) {
        return item->title().value_or(
            item->plainText().value_or(QString::fromUtf8(item->content())));
    }
    // Items are recorded oldest first, each a moment after the one before.
    ClipboardItemPtr add(ParsedClipboardContent content,
                         std::optional<QString> source = std::nullopt) {
        serveFor(2ms);
        return record(content, std::move(source));
    }

    ManualRecognizer recognizer;
    PanelListModel list;
    PanelCommandHandler commands;
    SearchRecognition recognition;
};

} // namespace quillbox::testing
