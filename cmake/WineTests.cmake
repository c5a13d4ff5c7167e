# Windows tests run under Wine in one session per ctest run: the build tree's prefix, a
# virtual display, a persistent wineserver and a keeper window, set up and torn down as
# ctest fixtures around every test that needs Wine.
set(TELVIA_WINE_STATE ${CMAKE_BINARY_DIR}/wine)
set(TELVIA_SCRIPTS ${PROJECT_SOURCE_DIR}/scripts)

add_executable(wine_keeper WIN32 ${PROJECT_SOURCE_DIR}/tests/support/wine_keeper.cpp)
target_link_options(wine_keeper PRIVATE -municode)
telvia_warnings(wine_keeper)

add_test(NAME wine_session_start
  COMMAND ${TELVIA_SCRIPTS}/wine-session.sh start $<TARGET_FILE:wine_keeper>)
add_test(NAME wine_session_stop COMMAND ${TELVIA_SCRIPTS}/wine-session.sh stop)
set_tests_properties(wine_session_start PROPERTIES
  FIXTURES_SETUP wine ENVIRONMENT TELVIA_WINE_STATE=${TELVIA_WINE_STATE} TIMEOUT 300)
set_tests_properties(wine_session_stop PROPERTIES
  FIXTURES_CLEANUP wine ENVIRONMENT TELVIA_WINE_STATE=${TELVIA_WINE_STATE})

# Puts a test that runs a Windows program into the Wine session.
function(telvia_wine_test_properties name)
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wine ENVIRONMENT TELVIA_WINE_STATE=${TELVIA_WINE_STATE})
endfunction()
