#pragma once

#include "TestContent.h"
#include "X11TestEnvironment.h"
#include "content/AppConstants.h"
#include "content/PasteboardTypes.h"
#include "content/Preferences.h"
#include "core/AccessibilityManager.h"
#include "core/AppState.h"
#include "core/PasteService.h"
#include "core/SoundManager.h"
#include "fakes/FakeAccessProbe.h"
#include "fakes/FakeKeystrokeSender.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakeSoundPlayer.h"
#include "history/HistoryStore.h"
#include "history/StoreContainer.h"

#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <memory>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace quillbox::testing {

using namespace std::chrono_literals;

// The paste service over fakes and a store in memory.
struct PasteRig {
    explicit PasteRig(bool granted = true) {
        AppConstants::registerDefaults(preferences);
        probe.setGranted(granted);
        access = std::make_unique<AccessibilityManager>(probe);
        pasteService =
            std::make_unique<PasteService>(pasteboard, store, keystrokes, *access, sounds);
    }

    ClipboardItemPtr record(const ParsedClipboardContent& content,
                            std::optional<QString> sourceAppName = std::nullopt) {
        return store.record(content, std::nullopt, sourceAppName);
    }

    QTemporaryDir folder;
    HistoryStore store{StoreContainer::makeInMemory()};
    AppState appState;
    FakePasteboard pasteboard;
    FakeKeystrokeSender keystrokes;
    FakeAccessProbe probe;
    std::unique_ptr<AccessibilityManager> access;
    FakeSoundPlayer player;
    Preferences preferences{folder.filePath(QStringLiteral("Quillbox.conf"))};
    SoundManager sounds{player, preferences};
    std::unique_ptr<PasteService> pasteService;
};

} // namespace quillbox::testing
