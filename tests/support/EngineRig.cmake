# The download engine's set-up shared by the tests, their second program and the benchmarks
# (tests/support/EngineRig.h); core only, no test framework.
include_guard(GLOBAL)
add_library(orvantis_enginerig STATIC ${CMAKE_CURRENT_LIST_DIR}/EngineRig.cpp ${CMAKE_CURRENT_LIST_DIR}/EngineRig.h
  ${CMAKE_CURRENT_LIST_DIR}/ScriptedConnection.h)
target_include_directories(orvantis_enginerig PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(orvantis_enginerig PUBLIC orvantis_core)
