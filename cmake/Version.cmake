# The program's version has one home: `project(Telvia VERSION ...)` in the top CMakeLists.
# This spells it out for the places that need four numbers (the version resource), and the
# resources get it through a header configured from src/resources/version.h.in.
foreach(part MAJOR MINOR PATCH TWEAK)
  set(TELVIA_VERSION_${part} "${PROJECT_VERSION_${part}}")
  if(TELVIA_VERSION_${part} STREQUAL "")
    set(TELVIA_VERSION_${part} 0)
  endif()
endforeach()
set(TELVIA_VERSION_QUAD
  "${TELVIA_VERSION_MAJOR}.${TELVIA_VERSION_MINOR}.${TELVIA_VERSION_PATCH}.${TELVIA_VERSION_TWEAK}")
