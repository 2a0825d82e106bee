# The program file at the top of the tree: start-up only, everything else lives in the units.
add_executable(quorvel ${PROJECT_SOURCE_DIR}/quorvel.cpp)
foreach(lib IN ITEMS quorvel_mainform quorvel_noteeditor quorvel_browserhost quorvel_platform
                     quorvel_importer quorvel_store)
    if(TARGET ${lib})
        target_link_libraries(quorvel PRIVATE ${lib})
    endif()
endforeach()
target_link_libraries(quorvel PRIVATE Qt6::Core)
