# The emulator itself.
find_package(nlohmann_json 3 REQUIRED)
find_package(Threads REQUIRED)
# H.264 frames are encoded as a camera's own encoder would make them.
pkg_check_modules(X264 REQUIRED IMPORTED_TARGET x264)

add_library(fakecam SHARED
    Buffers.cpp
    Camera.cpp
    Config.cpp
    Controls.cpp
    Emulator.cpp
    Formats.cpp
    Interpose.cpp
    Log.cpp
    Picture.cpp
    PlugWatch.cpp
    Real.cpp
    Requests.cpp
)
target_compile_options(fakecam PRIVATE ${NIMBACAST_EMULATOR_OPTIONS})
target_link_libraries(fakecam PRIVATE nlohmann_json::nlohmann_json PkgConfig::TURBOJPEG
    PkgConfig::X264 Threads::Threads ${CMAKE_DL_LIBS})
# Only the interposed C calls are exported: the library's own C++ symbols must never bind to
# a program's, or the program's to ours.
target_link_options(fakecam PRIVATE
    "LINKER:--version-script=${CMAKE_CURRENT_SOURCE_DIR}/exports.map")
set_target_properties(fakecam PROPERTIES
    LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/exports.map
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    AUTOMOC OFF AUTOUIC OFF AUTORCC OFF
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)
