# The live CCTV viewer and the road and route detail dialogs.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

add_library(kavrel_client_viewer STATIC
  src/cctv_screen_dlg.cpp
  src/cctv_video_dlg.cpp
  src/detail_dlg.cpp
  src/detail_rows.cpp
  src/road_info_dlg.cpp
  src/route_info_dlg.cpp
  src/video_area.cpp
  src/viewer_dialogs.cpp)
target_include_directories(kavrel_client_viewer PUBLIC src)
target_link_libraries(kavrel_client_viewer PUBLIC kavrel_client_core)
kavrel_warnings(kavrel_client_viewer)

if(BUILD_TESTING)
  kavrel_test(client_viewer_tests tests/viewer_test.cpp tests/viewer_relay_test.cpp tests/detail_dialogs_test.cpp
    LIBS "$<LINK_LIBRARY:WHOLE_ARCHIVE,kavrel_qt_test_main>" kavrel_client_viewer Qt6::Test)
  target_include_directories(client_viewer_tests PRIVATE ${CMAKE_SOURCE_DIR}/client/core/tests
    ${CMAKE_SOURCE_DIR}/netlib/tests ${CMAKE_SOURCE_DIR}/server/tests)
  target_compile_definitions(client_viewer_tests PRIVATE
    KAVRELD_PATH="$<TARGET_FILE:kavreld>" KAVREL_TEST_DATADIR="${KAVREL_BUILD_DATADIR}")
  add_dependencies(client_viewer_tests kavreld road_dat server_data cctv_clips)
endif()

kavrel_benchmark(client_viewer_bench bench/viewer_bench.cpp LIBS kavrel_client_viewer GTest::gtest "$<LINK_LIBRARY:WHOLE_ARCHIVE,kavrel_qt_bench_main>")
if(TARGET client_viewer_bench)
  target_include_directories(client_viewer_bench PRIVATE ${CMAKE_SOURCE_DIR}/server/tests)
  target_compile_definitions(client_viewer_bench PRIVATE
    KAVRELD_PATH="$<TARGET_FILE:kavreld>" KAVREL_TEST_DATADIR="${KAVREL_BUILD_DATADIR}")
  add_dependencies(client_viewer_bench kavreld road_dat server_data cctv_clips)
endif()

# The program opens these dialogs from its main view.
target_link_libraries(KavrelClientPDA PRIVATE kavrel_client_viewer)
