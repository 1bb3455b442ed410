gt_test(test_app_tester
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/LimitsTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/TesterMessagesTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/TesterSettingsTest.cpp
    LIBS app_tester test_main_core)
