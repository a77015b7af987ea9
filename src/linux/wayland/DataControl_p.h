#pragma once

// The two data-control protocols (ext-data-control-v1 and wlroots'
// zwlr-data-control-unstable-v1) have the same requests, events and
// arguments in the same order under different names. This adapter speaks
// either through libwayland's generic proxy calls, so the clipboard has one
// code path; only the interfaces differ.

#include <cstdint>
#include <wayland-client.h>

namespace quillbox::datacontrol {

struct Protocol {
    const char* managerName;
    const wl_interface* manager;
    const wl_interface* device;
    const wl_interface* source;
    std::uint32_t highestVersion;

    static const Protocol& ext();
    static const Protocol& wlr();
};

// Listeners laid out as the generated ones of both protocols.
struct DeviceListener {
    void (*dataOffer)(void* data, wl_proxy* device, wl_proxy* offer);
    void (*selection)(void* data, wl_proxy* device, wl_proxy* offer);
    void (*finished)(void* data, wl_proxy* device);
    void (*primarySelection)(void* data, wl_proxy* device, wl_proxy* offer);
};
struct OfferListener {
    void (*offer)(void* data, wl_proxy* offer, const char* mimeType);
};
struct SourceListener {
    void (*send)(void* data, wl_proxy* source, const char* mimeType, std::int32_t fd);
    void (*cancelled)(void* data, wl_proxy* source);
};

wl_proxy* bindManager(const Protocol& protocol, wl_registry* registry, std::uint32_t name,
                      std::uint32_t offeredVersion);
wl_proxy* getDevice(const Protocol& protocol, wl_proxy* manager, wl_proxy* seat);
wl_proxy* createSource(const Protocol& protocol, wl_proxy* manager);
void destroyManager(wl_proxy* manager);

void addDeviceListener(wl_proxy* device, const DeviceListener* listener, void* data);
void setSelection(wl_proxy* device, wl_proxy* source);
void destroyDevice(wl_proxy* device);

void addOfferListener(wl_proxy* offer, const OfferListener* listener, void* data);
void receive(wl_proxy* offer, const char* mimeType, int fd);
void destroyOffer(wl_proxy* offer);

void addSourceListener(wl_proxy* source, const SourceListener* listener, void* data);
void offer(wl_proxy* source, const char* mimeType);
void destroySource(wl_proxy* source);

} // namespace quillbox::datacontrol
