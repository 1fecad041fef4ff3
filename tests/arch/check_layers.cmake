# Fails when a file of a lower layer reaches upwards:
#  - platform/, service/ and server/ include no Qt header and link no Qt;
#  - server/ includes nothing from form/, host/ or service/;
#  - kiosk/ (the kiosks' reference client) uses only platform/: it stands
#    where a kiosk developer's program would, outside the server;
#  - platform/ includes nothing from service/, host/, form/, package/, app/;
#  - service/ includes nothing from host/, form/, package/, app/;
#  - host/ includes nothing from form/, service/, package/, app/, server/, nor
#    the module's contract (platform/parametros_contract.h): the host defines
#    what a module is and serves it, never the other way round;
#  - app/ includes nothing from form/, service/, package/, server/, nor the
#    contract: the host application knows a module only through host/'s
#    module interface;
#  - no file of host/ or app/ names a column of the module's contract (the
#    names are read from the contract itself), and no product file spells
#    one as a string literal of its own;
#  - inside server/, each folder includes only from itself and the folders
#    below it (cli -> http -> rpc -> domain -> store -> log), every source
#    file lives in one of them, and each folder's library links only
#    libraries of the folders below it.
if(NOT ROOT)
  message(FATAL_ERROR "pass -DROOT=<source dir>")
endif()

set(violations "")

function(check_dir dir forbidden_regex what)
  file(GLOB_RECURSE files "${ROOT}/${dir}/*.h" "${ROOT}/${dir}/*.hpp" "${ROOT}/${dir}/*.cpp"
       "${ROOT}/${dir}/*.cc")
  foreach(f IN LISTS files)
    file(STRINGS "${f}" lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS lines)
      if(line MATCHES "${forbidden_regex}")
        file(RELATIVE_PATH rel "${ROOT}" "${f}")
        list(APPEND violations "${rel}: ${line}  (${what})")
      endif()
    endforeach()
  endforeach()
  set(violations "${violations}" PARENT_SCOPE)
endfunction()

function(check_cmake dir)
  file(GLOB_RECURSE files "${ROOT}/${dir}/CMakeLists.txt" "${ROOT}/${dir}/*.cmake")
  foreach(f IN LISTS files)
    file(READ "${f}" content)
    if(content MATCHES "Qt[56]?::|find_package\\(Qt")
      file(RELATIVE_PATH rel "${ROOT}" "${f}")
      list(APPEND violations "${rel}: links Qt")
    endif()
  endforeach()
  set(violations "${violations}" PARENT_SCOPE)
endfunction()

set(qt_include "include[ \t]*[<\"](Q[A-Za-z]*|Qt[A-Za-z]*/)")
foreach(dir platform service server kiosk)
  check_dir(${dir} "${qt_include}" "Qt header below the GUI layers")
  check_cmake(${dir})
endforeach()
check_dir(server "include[ \t]*[<\"](form|host|service|package|app|kiosk)/" "server may only use platform")
check_dir(kiosk "include[ \t]*[<\"](form|host|service|package|app|server)/" "the kiosk client may only use platform")
check_dir(platform "include[ \t]*[<\"](service|host|form|package|app|server)/" "platform is the bottom layer")
check_dir(service "include[ \t]*[<\"](host|form|package|app|server)/" "service sits below host and form")
set(contract_include "platform/parametros_contract\\.h")
check_dir(host "include[ \t]*[<\"]((form|service|package|app|server)/|${contract_include})"
          "host serves modules, knows none")
check_dir(app "include[ \t]*[<\"]((form|service|package|server)/|${contract_include})"
          "the host application loads modules through host/")

# The contract's column names, spelt once in platform/column_names.h as
# `inline constexpr char CDFILIAL[] = "CDFILIAL";`.
file(STRINGS "${ROOT}/platform/column_names.h" columns REGEX "^inline constexpr char [A-Z0-9_]+\\[\\]")
list(TRANSFORM columns REPLACE "^inline constexpr char ([A-Z0-9_]+).*" "\\1")
if(NOT columns)
  message(FATAL_ERROR "no column names found in platform/column_names.h")
endif()
string(REPLACE ";" "|" column_regex "${columns}")
foreach(dir host app)
  file(GLOB_RECURSE files "${ROOT}/${dir}/*.h" "${ROOT}/${dir}/*.cpp")
  foreach(f IN LISTS files)
    file(READ "${f}" text)
    string(REGEX MATCHALL "(^|[^A-Za-z0-9_])(${column_regex})([^A-Za-z0-9_]|$)" named "${text}")
    if(named)
      file(RELATIVE_PATH rel "${ROOT}" "${f}")
      string(REGEX REPLACE "[^A-Z0-9_;]" "" named "${named}")
      list(REMOVE_DUPLICATES named)
      list(JOIN named ", " named)
      list(APPEND violations "${rel}: names the module's columns ${named} (the host knows no module)")
    endif()
  endforeach()
endforeach()

# Product code names a column through the contract's constants, never as a
# string literal of its own ("CDFILIAL"): a misspelt literal compiles and
# silently matches nothing. Tests and benchmarks may spell names as a client
# would; SQL migrations and statements name the tables' columns.
foreach(dir app form host kiosk package platform server service)
  file(GLOB_RECURSE files "${ROOT}/${dir}/*.h" "${ROOT}/${dir}/*.cpp")
  list(REMOVE_ITEM files "${ROOT}/platform/column_names.h")
  foreach(f IN LISTS files)
    file(READ "${f}" text)
    string(REGEX MATCHALL "\"(${column_regex})\"" spelt "${text}")
    if(spelt)
      file(RELATIVE_PATH rel "${ROOT}" "${f}")
      list(REMOVE_DUPLICATES spelt)
      string(REPLACE "\"" "" spelt "${spelt}")
      list(JOIN spelt ", " spelt)
      list(APPEND violations "${rel}: spells the column names ${spelt} (use contract::col)")
    endif()
  endforeach()
endforeach()

# server/'s folders, lowest first.
set(server_layers log store domain rpc http cli)
file(GLOB loose "${ROOT}/server/*.h" "${ROOT}/server/*.cpp")
foreach(f IN LISTS loose)
  file(RELATIVE_PATH rel "${ROOT}" "${f}")
  list(APPEND violations "${rel}: outside the folders of server/")
endforeach()
set(below "")
foreach(layer IN LISTS server_layers)
  # Folders this one may not reach: itself and those below it are allowed.
  set(above ${server_layers})
  list(REMOVE_ITEM above ${layer} ${below})
  if(above)
    string(REPLACE ";" "|" above_regex "${above}")
    check_dir(server/${layer} "include[ \t]*[<\"]server/(${above_regex})/"
              "server/${layer} may only use the folders below it")
    string(REPLACE ";" "|server_" above_libs "server_${above}")
    file(READ "${ROOT}/server/${layer}/CMakeLists.txt" cmake_text)
    if(cmake_text MATCHES "target_link_libraries\\([^)]*(${above_libs})[ \t\n)]")
      list(APPEND violations "server/${layer}/CMakeLists.txt: links ${CMAKE_MATCH_1} (server/${layer} may only use the folders below it)")
    endif()
  endif()
  list(APPEND below ${layer})
endforeach()

if(violations)
  string(REPLACE ";" "\n  " report "${violations}")
  message(FATAL_ERROR "Dependency direction violated:\n  ${report}")
endif()
message(STATUS "layers ok")
