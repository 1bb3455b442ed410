gt_test(test_controls_edits
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/EditsTest.cpp
    LIBS controls_edits test_main_gui)
