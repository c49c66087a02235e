# Every package the build looks for, in one place, each with the oldest version known to work (Debian 12's).
# The program's own come first; the rest only when the option that needs them is on.

find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets Svg Network DBus)
set_package_properties(Qt6 PROPERTIES TYPE REQUIRED PURPOSE "Windows, the tray, the clipboard, HTTPS, desktop portals")
find_package(OpenSSL 3.0 REQUIRED COMPONENTS Crypto)
set_package_properties(OpenSSL PROPERTIES TYPE REQUIRED PURPOSE "Update signatures (Ed25519)")
find_package(nlohmann_json 3.11 REQUIRED)
set_package_properties(nlohmann_json PROPERTIES TYPE REQUIRED PURPOSE "Settings and release descriptions")
find_package(simdjson 3.0 REQUIRED)
set_package_properties(simdjson PROPERTIES TYPE REQUIRED PURPOSE "The history index")
find_package(ICU 72 REQUIRED COMPONENTS uc i18n)
set_package_properties(ICU PROPERTIES TYPE REQUIRED PURPOSE "Searching the history")
find_package(ZLIB 1.2.13 REQUIRED)
set_package_properties(ZLIB PROPERTIES TYPE REQUIRED PURPOSE "Release archives")
find_package(Threads REQUIRED)
find_package(X11 REQUIRED COMPONENTS Xtst Xfixes xcb)
set_package_properties(X11 PROPERTIES TYPE REQUIRED PURPOSE "The keyboard tap, global shortcuts, the clipboard")
find_package(PkgConfig REQUIRED)
# Screenshots decoded fast enough for the thumbnail of a 5K capture to show at once.
pkg_check_modules(LIBDEFLATE REQUIRED IMPORTED_TARGET libdeflate>=1.14)
# Other applications' accessibility trees (the caret), over AT-SPI.
pkg_check_modules(ATSPI REQUIRED IMPORTED_TARGET atspi-2>=2.46 gobject-2.0)
# The Wayland clipboard (data-control) and keyboard (virtual keyboard, with an xkb keymap).
pkg_check_modules(WAYLAND_CLIENT REQUIRED IMPORTED_TARGET wayland-client>=1.21)
pkg_check_modules(XKBCOMMON REQUIRED IMPORTED_TARGET xkbcommon>=1.5)
pkg_get_variable(WAYLAND_SCANNER wayland-scanner wayland_scanner)
if(NOT WAYLAND_SCANNER)
    find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
endif()
# The wlroots data-control protocol's definition; Debian ships it with its Rust bindings. The staging "ext"
# protocol and the virtual keyboard are not packaged there and live in src/Platform/Desktop/protocols.
file(GLOB wlr_protocol_candidates
    /usr/share/cargo/registry/wayland-protocols-*/wlr-protocols/unstable/wlr-data-control-unstable-v1.xml
    /usr/share/wlr-protocols/unstable/wlr-data-control-unstable-v1.xml)
list(SORT wlr_protocol_candidates)
list(POP_BACK wlr_protocol_candidates wlr_data_control_default)
set(DRIMO_WLR_DATA_CONTROL_XML "${wlr_data_control_default}" CACHE FILEPATH
    "wlr-data-control-unstable-v1.xml (Debian: librust-wayland-protocols-dev)")
if(NOT EXISTS "${DRIMO_WLR_DATA_CONTROL_XML}")
    message(FATAL_ERROR "wlr-data-control-unstable-v1.xml not found; install librust-wayland-protocols-dev "
                        "or set DRIMO_WLR_DATA_CONTROL_XML")
endif()

if(BUILD_TESTING)
    find_package(GTest 1.12 REQUIRED)
    set_package_properties(GTest PROPERTIES TYPE REQUIRED PURPOSE "The tests (BUILD_TESTING)")
    find_package(Qt6 6.4 REQUIRED COMPONENTS Test)
endif()
if(DRIMO_BENCHMARKS)
    find_package(benchmark 1.7 REQUIRED)
    set_package_properties(benchmark PROPERTIES TYPE REQUIRED PURPOSE "The benchmarks (DRIMO_BENCHMARKS)")
endif()
