# Every dependency is a Debian package installed by scripts/setup.sh.
set(CMAKE_AUTOMOC ON)
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets Test)
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
pkg_check_modules(LIBSOCKETCAN REQUIRED IMPORTED_TARGET libsocketcan)
find_package(nlohmann_json 3 REQUIRED)
find_package(CLI11 CONFIG REQUIRED)
find_package(GTest REQUIRED)

find_path(SIMPLEINI_INCLUDE_DIR SimpleIni.h REQUIRED)
add_library(simpleini INTERFACE)
target_include_directories(simpleini INTERFACE "${SIMPLEINI_INCLUDE_DIR}")
# Debian's SimpleIni has no conversion library; we only use its 8-bit variant.
target_compile_definitions(simpleini INTERFACE SI_NO_CONVERSION)
