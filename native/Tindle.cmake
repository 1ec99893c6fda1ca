# Included from the root CMakeLists.txt (so the app lands in build/native/Tindle_artefacts).
# The plug-in: one shared-code static library `Tindle` (JUCE's juce_add_plugin target, holding
# every processor and editor source plus the JUCE modules, compiled once), the standalone
# application `Tindle_Standalone` that wraps it, and the embedded assets `TindleAssets`.
# Tests, fuzzers and benchmarks link `Tindle` through `tindle_link_shared_code()`.

juce_add_plugin(Tindle
    PRODUCT_NAME "Tindle"
    VERSION 0.1.0
    COMPANY_NAME "Ostrel"
    BUNDLE_ID "com.ostrel.tindle"
    PLUGIN_MANUFACTURER_CODE Ostr
    PLUGIN_CODE Tndl
    FORMATS Standalone
    IS_SYNTH FALSE
    NEEDS_MIDI_INPUT FALSE
    NEEDS_MIDI_OUTPUT FALSE
    IS_MIDI_EFFECT FALSE
    EDITOR_WANTS_KEYBOARD_FOCUS TRUE
    NEEDS_CURL TRUE
    NEEDS_WEB_BROWSER TRUE
    COPY_PLUGIN_AFTER_BUILD FALSE)
# The standalone wrapper (juce_audio_plugin_client_Standalone.cpp) derives its settings file from
# JucePlugin_Name: PropertiesFile options applicationName "Tindle", suffix ".settings", folder
# "~/.config" on Linux ("Application Support" on macOS), i.e. ~/.config/Tindle.settings, and it
# allows more than one instance. No custom application class is needed.

juce_generate_juce_header(Tindle)

# Every native source, so a new file joins the shared library without a CMake change.
file(GLOB TINDLE_SOURCES CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/native/src/*.cpp")
file(GLOB TINDLE_HEADERS CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/native/src/*.h")
target_sources(Tindle PRIVATE ${TINDLE_SOURCES} ${TINDLE_HEADERS})
target_include_directories(Tindle PUBLIC "${PROJECT_SOURCE_DIR}/native/src")
# Warnings are errors in our own code only (JUCE's module sources share this target). The
# editor keeps a typed `processor` reference as the rest of the code names it, shadowing the base one.
set_source_files_properties(${TINDLE_SOURCES} PROPERTIES COMPILE_OPTIONS "-Wall;-Wextra;-Werror;-Wno-unused-parameter;-Wno-shadow-field")

# Embedded files: the built page and the generated media, served by last path segment
# (BinaryData::originalFilenames). Globbed at configure time; build-native.sh reconfigures.
file(GLOB_RECURSE TINDLE_ASSET_FILES CONFIGURE_DEPENDS
    "${PROJECT_SOURCE_DIR}/build/page/*"
    "${PROJECT_SOURCE_DIR}/resources/*.wav"
    "${PROJECT_SOURCE_DIR}/resources/*.png")
if(NOT TINDLE_ASSET_FILES)
    set(placeholder "${PROJECT_BINARY_DIR}/tindle-placeholder.txt")
    if(NOT EXISTS "${placeholder}")
        file(WRITE "${placeholder}" "placeholder: no page or media built yet\n")
    endif()
    set(TINDLE_ASSET_FILES "${placeholder}")
endif()
list(SORT TINDLE_ASSET_FILES)
juce_add_binary_data(TindleAssets
    HEADER_NAME BinaryData.h
    NAMESPACE BinaryData
    SOURCES ${TINDLE_ASSET_FILES})
set_target_properties(TindleAssets PROPERTIES POSITION_INDEPENDENT_CODE TRUE)

find_package(PkgConfig REQUIRED)
pkg_check_modules(RUBBERBAND REQUIRED IMPORTED_TARGET rubberband)

target_compile_definitions(Tindle
    PUBLIC
        JUCE_USE_FLAC=0
        JUCE_USE_OGGVORBIS=0
        JUCE_USE_MP3AUDIOFORMAT=0
        JUCE_WEB_BROWSER=1
        JUCE_USE_CURL=1
        JUCE_JACK=1
        JUCE_ALSA=1
        JUCE_VST3_CAN_REPLACE_VST2=0
        JUCE_DISPLAY_SPLASH_SCREEN=0
        JUCE_REPORT_APP_USAGE=0
        JUCE_MODAL_LOOPS_PERMITTED=1
        JUCE_SILENCE_XCODE_15_LINKER_WARNING=1)

# The catalogue service's base address, shared by the native pass-through and the page:
# service/base-url, or TINDLE_SERVICE_BASE from the environment at configure time (a real
# deployment sets the maker's HTTPS origin). Only the resource server's source sees it.
include("${PROJECT_SOURCE_DIR}/service/base-url.cmake")
set_property(SOURCE "${PROJECT_SOURCE_DIR}/native/src/ResourceServer.cpp" APPEND PROPERTY
    COMPILE_DEFINITIONS "TINDLE_SERVICE_BASE_URL=\"${TINDLE_SERVICE_BASE}\"")

target_link_libraries(Tindle
    PRIVATE
        TindleAssets
        juce::juce_audio_utils
        juce::juce_audio_formats
        juce::juce_audio_processors
        juce::juce_audio_devices
        juce::juce_gui_extra
        juce::juce_data_structures
    PUBLIC
        PkgConfig::RUBBERBAND
        juce::juce_recommended_config_flags
        juce::juce_recommended_warning_flags)

# Consumers of the shared code (tests, fuzzers, benchmarks): the module headers, the generated
# JuceHeader/BinaryData headers and the plug-in's definitions, without compiling JUCE again.
function(tindle_link_shared_code target)
    target_include_directories(${target} PRIVATE $<TARGET_PROPERTY:Tindle,INCLUDE_DIRECTORIES>)
    target_link_libraries(${target} PRIVATE Tindle)
    set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE TRUE)
endfunction()
