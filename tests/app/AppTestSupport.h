#pragma once

#include "FakeAccessProbe.h"
#include "FakeColorSampler.h"
#include "FakeFrontmostApplicationSource.h"
#include "FakePasteboard.h"
#include "FakeSoundPlayer.h"
#include "app/AppServices.h"
#include "content/PasteboardTypes.h"
#include "content/Preferences.h"

#include <QTemporaryDir>
#include <memory>

namespace quillbox::testing {

// Application services over fakes and a store in memory; keeps pointers to
// the fakes so tests can play the desktop.
struct FakeApp {
    QTemporaryDir directory;
    FakePasteboard* pasteboard = nullptr;
    FakeFrontmostApplicationSource* frontmost = nullptr;
    FakeColorSampler* sampler = nullptr;
    Preferences* preferences = nullptr;
    std::unique_ptr<AppServices> services;

    FakeApp() {
        AppPlatform platform;
        auto fakePasteboard = std::make_unique<FakePasteboard>();
        auto fakeFrontmost = std::make_unique<FakeFrontmostApplicationSource>();
        auto fakeSampler = std::make_unique<FakeColorSampler>();
        pasteboard = fakePasteboard.get();
        frontmost = fakeFrontmost.get();
        sampler = fakeSampler.get();
        platform.pasteboard = std::move(fakePasteboard);
        platform.frontmostApplications = std::move(fakeFrontmost);
        platform.colorSampler = std::move(fakeSampler);
        platform.soundPlayer = std::make_unique<FakeSoundPlayer>();
        platform.accessProbe = std::make_unique<FakeAccessProbe>();
        auto prefs =
            std::make_unique<Preferences>(directory.filePath(QStringLiteral("Quillbox.conf")));
        preferences = prefs.get();
        services = std::make_unique<AppServices>(std::move(platform), std::move(prefs),
                                                 StoreContainer::makeInMemory());
        frontmost->setFrontmost(
            RunningApplication{QStringLiteral("Editor"), QStringLiteral("org.example.Editor"), {}});
    }

    void copyText(const QString& text) {
        pasteboard->setContents({PasteboardType::string});
        pasteboard->setString(PasteboardType::string, text);
    }
};

} // namespace quillbox::testing
