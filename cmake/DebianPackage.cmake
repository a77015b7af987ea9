# The Debian package of what `cmake --install` installs: scripts/package.sh
# runs CPack on the ordinary build folder. Shared-library dependencies come
# from dpkg-shlibdeps; what the program loads or reads at run time without
# linking it is listed here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillbox)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quillbox developers")
set(CPACK_PACKAGE_CONTACT "The Quillbox developers <quillbox@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "clipboard history manager for the Linux desktop")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillbox runs in the background and records everything you copy (text,
rich text, images, files, links, colours and code) in a private history.
A global hot key brings up a floating panel of cards: search them, narrow
them by kind or pinboard, and paste one back into the application you were
working in. The Paste Stack pastes several copied items one after another.
Quillbox works on X11 and on Wayland compositors that offer data control,
and has a command line to list, search, copy, paste, export and import.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/package)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/quillbox/quillbox)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Tesseract (loaded when text is first recognised, so dpkg-shlibdeps does not
# see it) and its English model, the sound theme the copy and paste sounds
# come from, and Qt's TIFF and WebP image readers.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libtesseract5, tesseract-ocr-eng, sound-theme-freedesktop, qt6-image-formats-plugins")
# Native Wayland sessions need Qt's Wayland platform; elsewhere XWayland serves.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")

include(CPack)
