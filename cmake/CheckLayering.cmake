# Fails when a file includes across the layers: platform/ never includes src/,
# the platform folders include only the folders beneath them, src/ and the
# tests above the platform see only its interface headers (the platform's
# tests and the benchmarks may reach into a runtime), and the job, speech,
# audio and resource layers stay plain C++ (no Qt).
# Usage: cmake -DROOT=<source tree> -P CheckLayering.cmake

# The headers a platform folder offers to the code above it; the rest of the
# folder is its runtime.
set(interfaces "platform/(com|sync)/[^/]+|platform/audio/mmreg\\.h|platform/sapi4/sapi4\\.h")
string(APPEND interfaces "|platform/sapi5/sapi5\\.h|platform/wmf/wmsdk\\.h|platform/lame_enc/BladeMP3EncDLL\\.h")

# What a file may include besides its own folder, by the folder it is in.
# First match wins.
set(rules
  "^platform/com/"                 "^$"
  "^platform/sync/"                "^platform/com/"
  "^platform/audio/"               "^platform/(com|sync)/"
  "^platform/(sapi4|sapi5|wmf)/"   "^platform/(com|sync|audio)/"
  "^platform/lame_enc/"            "^platform/com/"
  "^platform/[^/]+$"               "^platform/"
  "^src/resources/"                "^(${interfaces})$"
  "^src/(speech|audio)/"           "^(${interfaces}|src/resources/.*)$"
  "^src/jobs/"                     "^(${interfaces}|src/(resources|speech|audio)/.*)$"
  "^src/documents/"                "^$"
  "^src/audiobook/"                "^(${interfaces}|src/(resources|audio|documents)/.*)$"
  "^src/cli/"                      "^(${interfaces}|platform/Runtimes\\.h|src/(resources|speech|audio|jobs|documents|audiobook)/.*)$"
  "^src/dialogs/"                  "^(${interfaces}|src/.*)$"
  "^src/app/"                      "^(${interfaces}|platform/Runtimes\\.h|src/.*)$"
  "^(tests/platform|bench)/"       "^(platform/.*|src/.*|tests/.*)$"
  # The fault-injection writer wraps the WMF runtime's own writer.
  "^tests/fakes/FailingWmaWriter\\.h$" "^(${interfaces}|platform/wmf/Writer\\.h)$"
  "^tests/"                        "^(${interfaces}|platform/Runtimes\\.h|src/.*|tests/.*)$")
set(no_qt "^(platform|src/(jobs|speech|audio|resources|cli|documents|audiobook))/")

file(GLOB_RECURSE files RELATIVE ${ROOT}
  ${ROOT}/platform/*.h ${ROOT}/platform/*.cpp ${ROOT}/src/*.h ${ROOT}/src/*.cpp
  ${ROOT}/tests/*.h ${ROOT}/tests/*.cpp ${ROOT}/bench/*.h ${ROOT}/bench/*.cpp)

set(violations "")
foreach(file ${files})
  get_filename_component(folder ${file} DIRECTORY)
  set(allowed "")
  list(LENGTH rules count)
  math(EXPR last "${count} - 1")
  foreach(i RANGE 0 ${last} 2)
    list(GET rules ${i} layer)
    if(file MATCHES "${layer}")
      math(EXPR j "${i} + 1")
      list(GET rules ${j} allowed)
      break()
    endif()
  endforeach()
  if(NOT allowed)
    continue()
  endif()
  file(STRINGS ${ROOT}/${file} lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line ${lines})
    if(line MATCHES "include[ \t]*\"([^\"]+)\"")
      set(target ${CMAKE_MATCH_1})
      if(NOT target MATCHES "/")
        set(target ${folder}/${target})
      endif()
      get_filename_component(target_folder ${target} DIRECTORY)
      if(NOT target_folder STREQUAL folder AND NOT target MATCHES "${allowed}")
        list(APPEND violations "${file} includes ${target}")
      endif()
    elseif(line MATCHES "include[ \t]*<(Q[A-Za-z]*)[/>]")
      set(header ${CMAKE_MATCH_1})
      if(file MATCHES "${no_qt}")
        list(APPEND violations "${file} uses Qt (<${header}>)")
      endif()
    endif()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "Includes across the layers:\n  ${text}")
endif()
list(LENGTH files count)
message(STATUS "${count} files follow the layering")
