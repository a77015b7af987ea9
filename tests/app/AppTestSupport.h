#pragma once

#include "FakeAccessProbe.h"
#include "FakeColorSampler.h"
#include "FakeFrontmostApplicationSource.h"
#include "FakeGlobalKeyWatcher.h"
#include "FakePasteStackWindow.h"
#include "FakePasteboard.h"
#include "FakeSoundPlayer.h"
#include "TestContent.h"
#include "app/AppServices.h"
#include "content/PasteboardTypes.h"
#include "content/Preferences.h"
#include "history/HistoryStore.h"

#include <QTemporaryDir>
#include <functional>
#include <memory>

namespace quillbox::testing {

// Makes a T for the slot and returns it.
template <typename T, typename Slot, typename... Arguments>
T* installFake(Slot& slot, Arguments&&... arguments) {
    auto made = std::make_unique<T>(std::forward<Arguments>(arguments)...);
    T* pointer = made.get();
    slot = std::move(made);
    return pointer;
}

// Application services over fakes and a store in memory; keeps pointers to
// the fakes so tests can play the desktop. `customize` may put real parts in
// the platform before the services are made.
struct FakeApp {
    QTemporaryDir directory;
    FakePasteboard* pasteboard = nullptr;
    FakeFrontmostApplicationSource* frontmost = nullptr;
    FakeColorSampler* sampler = nullptr;
    FakeAccessProbe* access = nullptr;
    FakeGlobalKeyWatcher* pasteKeys = nullptr;
    // Made on the first Paste Stack run.
    FakePasteStackWindow* stackWindow = nullptr;
    Preferences* preferences = nullptr;
    std::unique_ptr<AppServices> services;

    explicit FakeApp(const std::function<void(AppPlatform&)>& customize = {}) {
        AppPlatform platform;
        pasteboard = installFake<FakePasteboard>(platform.pasteboard);
        frontmost = installFake<FakeFrontmostApplicationSource>(platform.frontmostApplications);
        sampler = installFake<FakeColorSampler>(platform.colorSampler);
        access = installFake<FakeAccessProbe>(platform.accessProbe);
        pasteKeys = installFake<FakeGlobalKeyWatcher>(platform.pasteKeyWatcher);
        platform.soundPlayer = std::make_unique<FakeSoundPlayer>();
        platform.makePasteStackWindow = [this](const PasteStackSetup&, WindowHints*) {
            auto window = std::make_unique<FakePasteStackWindow>();
            stackWindow = window.get();
            return window;
        };
        if (customize)
            customize(platform);
        std::unique_ptr<Preferences> prefs;
        preferences =
            installFake<Preferences>(prefs, directory.filePath(QStringLiteral("Quillbox.conf")));
        services = std::make_unique<AppServices>(std::move(platform), std::move(prefs),
                                                 StoreContainer::makeInMemory());
        frontmost->setFrontmost(
            RunningApplication{QStringLiteral("Editor"), QStringLiteral("org.example.Editor"), {}});
    }

    HistoryStore& store() { return services->historyStore(); }

    void copyText(const QString& text) {
        pasteboard->setContents({PasteboardType::string});
        pasteboard->setString(PasteboardType::string, text);
    }

    // Records text straight into the history, as copied at the given time.
    ClipboardItemPtr addText(const QString& text, const QDateTime& copiedAt,
                             std::optional<QString> source = {}) {
        auto item = store().record(textContent(text), source, source);
        store().setCopiedAt(item, copiedAt);
        return item;
    }

    // The history's texts, newest first.
    QStringList texts() {
        QStringList result;
        for (const auto& item : store().allItems())
            result.append(item->plainText().value_or(QString()));
        return result;
    }
};

} // namespace quillbox::testing
