# Validating numeric edits.
add_library(controls_edits STATIC
    ${CMAKE_CURRENT_LIST_DIR}/Edits.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Edits.h
)
target_link_libraries(controls_edits PUBLIC Qt6::Widgets)
gt_warnings(controls_edits)
