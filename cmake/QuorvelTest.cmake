set(QUORVEL_TEST_ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QTWEBENGINE_DISABLE_SANDBOX=1;QT_LOGGING_RULES=qt.webenginecontext.info=false;XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/xdg-runtime")

# quorvel_add_test(NAME name SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s])
# One test program per area, linked against the libraries it tests. Every test runs headless
# in a data folder of its own (QTemporaryDir inside the test), never the developer's files.
function(quorvel_add_test)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
    target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
    quorvel_add_test_run(NAME ${T_NAME} PROGRAM ${T_NAME} TIMEOUT "${T_TIMEOUT}"
        LABELS ${T_LABELS})
endfunction()

# quorvel_add_test_run(NAME name PROGRAM program [ENVIRONMENT ...] [LABELS ...] [TIMEOUT s])
# A run of a test program made by quorvel_add_test; another run of the same program can choose
# a part of it through the environment, so that the parts of one long program run side by side.
function(quorvel_add_test_run)
    cmake_parse_arguments(T "" "NAME;PROGRAM;TIMEOUT" "ENVIRONMENT;LABELS" ${ARGN})
    add_test(NAME ${T_NAME} COMMAND ${T_PROGRAM})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${T_NAME} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        LABELS "${T_LABELS}"
        ENVIRONMENT "${QUORVEL_TEST_ENVIRONMENT};${T_ENVIRONMENT}")
endfunction()
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/xdg-runtime)
file(CHMOD ${CMAKE_BINARY_DIR}/xdg-runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
