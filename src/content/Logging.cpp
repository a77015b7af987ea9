#include "content/Logging.h"

Q_LOGGING_CATEGORY(lcCapture, "quillbox.capture")
Q_LOGGING_CATEGORY(lcStore, "quillbox.store")
Q_LOGGING_CATEGORY(lcX11, "quillbox.x11")
Q_LOGGING_CATEGORY(lcWayland, "quillbox.wayland")
Q_LOGGING_CATEGORY(lcGnome, "quillbox.gnome")
Q_LOGGING_CATEGORY(lcCore, "quillbox.core")
Q_LOGGING_CATEGORY(lcUi, "quillbox.ui")
Q_LOGGING_CATEGORY(lcApp, "quillbox.app")
