# Tester message set, settings writers and limits: no window, Qt Core only.
add_library(app_tester STATIC
    ${CMAKE_CURRENT_LIST_DIR}/Limits.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Limits.h
    ${CMAKE_CURRENT_LIST_DIR}/TesterMessages.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TesterMessages.h
    ${CMAKE_CURRENT_LIST_DIR}/TesterSettings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TesterSettings.h
)
target_link_libraries(app_tester PUBLIC serial Qt6::Core)
gt_warnings(app_tester)
