#pragma once

#include "linux/desktop/SnapshotPasteboard.h"
#include "linux/x11/X11ClipboardReader.h"

#include <memory>

namespace quillbox {

// The X11 CLIPBOARD selection as Quillbox's pasteboard, fed by the reader
// thread (the change count moves each time a new owner's contents arrive,
// Quillbox's own writes included). Writes go through Qt, which then serves
// the other clients.
class X11Pasteboard : public SnapshotPasteboard {
    Q_OBJECT
public:
    explicit X11Pasteboard(QObject* parent = nullptr);
    // With other limits for reading (tests use small ones).
    explicit X11Pasteboard(const ClipboardReadLimits& limits, QObject* parent = nullptr);
    ~X11Pasteboard() override;

    bool write(const QList<PasteboardItem>& items) override;

    // Qt serves Quillbox's offer from the main thread; the requests it
    // answers there tell when another program takes it.
    bool reportsOfferReads() const override { return m_offerReads != nullptr; }

    void setKeepsContentsOfOwnersThatQuit(bool keeps) override {
        m_reader.setKeepsContentsOfOwnersThatQuit(keeps);
    }

private:
    class OfferReadFilter;

    X11ClipboardReader m_reader;
    std::unique_ptr<OfferReadFilter> m_offerReads;
};

} // namespace quillbox
