#include "linux/wayland/DataControl_p.h"

#include <algorithm>
#include <ext-data-control-v1-client-protocol.h>
#include <wlr-data-control-unstable-v1-client-protocol.h>

namespace quillbox::datacontrol {

namespace {

// The generated code of each protocol defines the same numbering; the
// adapter relies on it.
static_assert(ZWLR_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE ==
              EXT_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE);
static_assert(ZWLR_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE ==
              EXT_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE);
static_assert(ZWLR_DATA_CONTROL_MANAGER_V1_DESTROY == EXT_DATA_CONTROL_MANAGER_V1_DESTROY);
static_assert(ZWLR_DATA_CONTROL_DEVICE_V1_SET_SELECTION ==
              EXT_DATA_CONTROL_DEVICE_V1_SET_SELECTION);
static_assert(ZWLR_DATA_CONTROL_DEVICE_V1_DESTROY == EXT_DATA_CONTROL_DEVICE_V1_DESTROY);
static_assert(ZWLR_DATA_CONTROL_SOURCE_V1_OFFER == EXT_DATA_CONTROL_SOURCE_V1_OFFER);
static_assert(ZWLR_DATA_CONTROL_SOURCE_V1_DESTROY == EXT_DATA_CONTROL_SOURCE_V1_DESTROY);
static_assert(ZWLR_DATA_CONTROL_OFFER_V1_RECEIVE == EXT_DATA_CONTROL_OFFER_V1_RECEIVE);
static_assert(ZWLR_DATA_CONTROL_OFFER_V1_DESTROY == EXT_DATA_CONTROL_OFFER_V1_DESTROY);
static_assert(sizeof(DeviceListener) == sizeof(zwlr_data_control_device_v1_listener) &&
              sizeof(DeviceListener) == sizeof(ext_data_control_device_v1_listener));
static_assert(sizeof(OfferListener) == sizeof(zwlr_data_control_offer_v1_listener) &&
              sizeof(OfferListener) == sizeof(ext_data_control_offer_v1_listener));
static_assert(sizeof(SourceListener) == sizeof(zwlr_data_control_source_v1_listener) &&
              sizeof(SourceListener) == sizeof(ext_data_control_source_v1_listener));

void addListener(wl_proxy* proxy, const void* listener, void* data) {
    wl_proxy_add_listener(proxy, reinterpret_cast<void (**)(void)>(const_cast<void*>(listener)),
                          data);
}

void destroyWith(wl_proxy* proxy, std::uint32_t opcode) {
    wl_proxy_marshal_flags(proxy, opcode, nullptr, wl_proxy_get_version(proxy),
                           WL_MARSHAL_FLAG_DESTROY);
}

} // namespace

const Protocol& Protocol::ext() {
    static const Protocol protocol{
        "ext_data_control_manager_v1", &ext_data_control_manager_v1_interface,
        &ext_data_control_device_v1_interface, &ext_data_control_source_v1_interface, 1};
    return protocol;
}

const Protocol& Protocol::wlr() {
    static const Protocol protocol{
        "zwlr_data_control_manager_v1", &zwlr_data_control_manager_v1_interface,
        &zwlr_data_control_device_v1_interface, &zwlr_data_control_source_v1_interface, 2};
    return protocol;
}

wl_proxy* bindManager(const Protocol& protocol, wl_registry* registry, std::uint32_t name,
                      std::uint32_t offeredVersion) {
    return static_cast<wl_proxy*>(wl_registry_bind(
        registry, name, protocol.manager, std::min(offeredVersion, protocol.highestVersion)));
}

wl_proxy* getDevice(const Protocol& protocol, wl_proxy* manager, wl_proxy* seat) {
    return wl_proxy_marshal_flags(manager, ZWLR_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE,
                                  protocol.device, wl_proxy_get_version(manager), 0, nullptr, seat);
}

wl_proxy* createSource(const Protocol& protocol, wl_proxy* manager) {
    return wl_proxy_marshal_flags(manager, ZWLR_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE,
                                  protocol.source, wl_proxy_get_version(manager), 0, nullptr);
}

void destroyManager(wl_proxy* manager) {
    destroyWith(manager, ZWLR_DATA_CONTROL_MANAGER_V1_DESTROY);
}

void addDeviceListener(wl_proxy* device, const DeviceListener* listener, void* data) {
    addListener(device, listener, data);
}

void setSelection(wl_proxy* device, wl_proxy* source) {
    wl_proxy_marshal_flags(device, ZWLR_DATA_CONTROL_DEVICE_V1_SET_SELECTION, nullptr,
                           wl_proxy_get_version(device), 0, source);
}

void destroyDevice(wl_proxy* device) {
    destroyWith(device, ZWLR_DATA_CONTROL_DEVICE_V1_DESTROY);
}

void addOfferListener(wl_proxy* offer, const OfferListener* listener, void* data) {
    addListener(offer, listener, data);
}

void receive(wl_proxy* offer, const char* mimeType, int fd) {
    wl_proxy_marshal_flags(offer, ZWLR_DATA_CONTROL_OFFER_V1_RECEIVE, nullptr,
                           wl_proxy_get_version(offer), 0, mimeType, fd);
}

void destroyOffer(wl_proxy* offer) {
    destroyWith(offer, ZWLR_DATA_CONTROL_OFFER_V1_DESTROY);
}

void addSourceListener(wl_proxy* source, const SourceListener* listener, void* data) {
    addListener(source, listener, data);
}

void offer(wl_proxy* source, const char* mimeType) {
    wl_proxy_marshal_flags(source, ZWLR_DATA_CONTROL_SOURCE_V1_OFFER, nullptr,
                           wl_proxy_get_version(source), 0, mimeType);
}

void destroySource(wl_proxy* source) {
    destroyWith(source, ZWLR_DATA_CONTROL_SOURCE_V1_DESTROY);
}

} // namespace quillbox::datacontrol
