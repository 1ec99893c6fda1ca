# Editor-side tests: resource server, dispatcher, status push, export files, stretch service.
# Included from native/tests/CMakeLists.txt; same shared code, GoogleTest and ctest registration.
add_executable(TindleEditorTests
    BridgeDispatcherTests.cpp
    DragBarTests.cpp
    ExportFilesTests.cpp
    ResourceServerTests.cpp
    ServiceFetchTests.cpp
    StatusPushTests.cpp
    StretchServiceTests.cpp)
tindle_link_shared_code(TindleEditorTests)
target_link_libraries(TindleEditorTests PRIVATE GTest::gtest GTest::gtest_main)
gtest_discover_tests(TindleEditorTests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
