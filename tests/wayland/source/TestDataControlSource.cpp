// A Wayland clipboard source for tests, through wlroots' data control: offers
// the given MIME types with the given data and serves them, or never writes.
// Prints "owned" on standard output once its selection is in place; exits
// when another client's selection replaces it.
//
//   TestDataControlSource [--mode serve|silent] [--type MIME FILE]...
//
// serve:  writes each requested type's data and closes the pipe.
// silent: keeps each request's pipe open and never writes to it.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>
#include <wayland-client.h>
#include <wlr-data-control-unstable-v1-client-protocol.h>

namespace {

struct Offer {
    std::string mimeType;
    std::string data;
};

struct Client {
    std::vector<Offer> offers;
    bool silent = false;
    bool cancelled = false;
    std::vector<int> heldPipes;
    wl_seat* seat = nullptr;
    zwlr_data_control_manager_v1* manager = nullptr;
};

void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
    auto* client = static_cast<Client*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !client->seat)
        client->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0)
        client->manager = static_cast<zwlr_data_control_manager_v1*>(wl_registry_bind(
            registry, name, &zwlr_data_control_manager_v1_interface, version < 2 ? version : 2));
}
void onGlobalRemove(void*, wl_registry*, uint32_t) {
}
const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

void onSend(void* data, zwlr_data_control_source_v1*, const char* mimeType, int32_t fd) {
    auto* client = static_cast<Client*>(data);
    if (client->silent) {
        client->heldPipes.push_back(fd);
        return;
    }
    for (const Offer& offer : client->offers) {
        if (offer.mimeType != mimeType)
            continue;
        std::size_t written = 0;
        while (written < offer.data.size()) {
            const ssize_t count =
                write(fd, offer.data.data() + written, offer.data.size() - written);
            if (count <= 0)
                break;
            written += std::size_t(count);
        }
    }
    close(fd);
}
void onCancelled(void* data, zwlr_data_control_source_v1*) {
    static_cast<Client*>(data)->cancelled = true;
}
const zwlr_data_control_source_v1_listener sourceListener = {onSend, onCancelled};

// The device's events are not needed; offers it announces are dropped.
void onDataOffer(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
    zwlr_data_control_offer_v1_destroy(offer);
}
void onSelection(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {
}
void onFinished(void*, zwlr_data_control_device_v1*) {
}
void onPrimarySelection(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {
}
const zwlr_data_control_device_v1_listener deviceListener = {onDataOffer, onSelection, onFinished,
                                                             onPrimarySelection};

} // namespace

int main(int argc, char** argv) {
    Client client;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--mode" && i + 1 < argc) {
            client.silent = std::string(argv[++i]) == "silent";
        } else if (argument == "--type" && i + 2 < argc) {
            std::ifstream file(argv[i + 2], std::ios::binary);
            client.offers.push_back(
                {argv[i + 1], std::string(std::istreambuf_iterator<char>(file), {})});
            i += 2;
        } else {
            std::fprintf(stderr, "usage: %s [--mode serve|silent] [--type MIME FILE]...\n",
                         argv[0]);
            return 2;
        }
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "no Wayland display\n");
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &client);
    wl_display_roundtrip(display);
    if (!client.seat || !client.manager) {
        std::fprintf(stderr, "the compositor offers no data control\n");
        return 1;
    }
    auto* device = zwlr_data_control_manager_v1_get_data_device(client.manager, client.seat);
    zwlr_data_control_device_v1_add_listener(device, &deviceListener, &client);
    auto* source = zwlr_data_control_manager_v1_create_data_source(client.manager);
    zwlr_data_control_source_v1_add_listener(source, &sourceListener, &client);
    for (const Offer& offer : client.offers)
        zwlr_data_control_source_v1_offer(source, offer.mimeType.c_str());
    zwlr_data_control_device_v1_set_selection(device, source);
    wl_display_roundtrip(display);
    std::printf("owned\n");
    std::fflush(stdout);
    while (!client.cancelled && wl_display_dispatch(display) != -1) {
    }
    for (int fd : client.heldPipes)
        close(fd);
    wl_display_disconnect(display);
    return 0;
}
