# Build conventions shared by every folder of the tree.
#
# shuhui_library(NAME [DIRS sub...] LIBS ...)  one static library from the .cpp/.h files of the calling
#                                     folder and of the named subfolders
# shuhui_tests(NAME [QT] [LABEL l] LIBS ...)  one GoogleTest executable from the *_test.cpp files of the folder

set(SHUHUI_WARNINGS -Wall -Wextra)
if(SHUHUI_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

function(shuhui_library name)
  cmake_parse_arguments(ARG "" "" "LIBS;DIRS" ${ARGN})
  set(srcs "")
  set(cpps "")
  foreach(dir . ${ARG_DIRS})
    file(GLOB dir_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp
         ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h)
    file(GLOB dir_cpps CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND srcs ${dir_srcs})
    list(APPEND cpps ${dir_cpps})
  endforeach()
  if(NOT cpps)
    # A folder with headers only so far.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_LIBS})
    return()
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE ${SHUHUI_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
endfunction()

function(shuhui_tests name)
  cmake_parse_arguments(ARG "QT" "LABEL" "LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/test_*.cpp)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(NOT tests)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_compile_options(${name} PRIVATE ${SHUHUI_WARNINGS})
  target_compile_definitions(${name} PRIVATE
    SHUHUI_FIXTURES="${PROJECT_SOURCE_DIR}/tests/fixtures"
    SHUHUI_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(ARG_QT)
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/qt_test_main.cpp)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest Qt6::Widgets Qt6::Test)
  else()
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  endif()
  set(label fast)
  if(ARG_LABEL)
    set(label ${ARG_LABEL})
  endif()
  set(env "")
  if(ARG_QT)
    set(label gui)
    set(env "QT_QPA_PLATFORM=offscreen")
  endif()
  gtest_discover_tests(${name}
    PROPERTIES LABELS "${label}" ENVIRONMENT "${env}"
    DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE PRE_TEST)
endfunction()
