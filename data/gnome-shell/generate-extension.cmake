# Builds one extension folder from the single source: the imports and the
# entry point of the chosen format around shell.js, the metadata with the
# Shell releases that format serves, the interface description and the
# compiled settings schema.
#   cmake -DFORMAT=legacy|modules -DSOURCE=<data/gnome-shell> -DDBUS=<xml> -DOUT=<folder> -P ...
if(FORMAT STREQUAL "legacy")
  # GNOME 43 and 44 load an extension as a script with imports.*.
  set(SHELL_VERSIONS "\"43\", \"44\"")
elseif(FORMAT STREQUAL "modules")
  # From GNOME 45 on, as an ES module.
  set(SHELL_VERSIONS "\"45\", \"46\", \"47\", \"48\", \"49\", \"50\"")
else()
  message(FATAL_ERROR "FORMAT must be legacy or modules, not '${FORMAT}'")
endif()
file(MAKE_DIRECTORY ${OUT}/schemas)
file(READ ${SOURCE}/src/header-${FORMAT}.js header)
file(READ ${SOURCE}/src/shell.js body)
file(READ ${SOURCE}/src/footer-${FORMAT}.js footer)
file(WRITE ${OUT}/extension.js.new "${header}${body}${footer}")
file(COPY_FILE ${OUT}/extension.js.new ${OUT}/extension.js ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}/extension.js.new)
configure_file(${SOURCE}/metadata.json.in ${OUT}/metadata.json @ONLY)
configure_file(${DBUS} ${OUT}/io.github.quillbox.Shell1.xml COPYONLY)
configure_file(${SOURCE}/org.gnome.shell.extensions.quillbox.gschema.xml
               ${OUT}/schemas/org.gnome.shell.extensions.quillbox.gschema.xml COPYONLY)
execute_process(COMMAND glib-compile-schemas ${OUT}/schemas RESULT_VARIABLE compiled)
if(NOT compiled EQUAL 0)
  message(FATAL_ERROR "glib-compile-schemas failed in ${OUT}/schemas")
endif()
