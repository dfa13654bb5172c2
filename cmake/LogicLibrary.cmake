# A logic library holds code that must run and be tested without a display.
# It links no widget module, and its sources are compiled with an include
# folder placed ahead of Qt's that turns any QtWidgets header into a build
# error, so a widget include cannot slip in through Qt's common include root.
function(wifv_logic_library name)
  add_library(${name} STATIC ${ARGN})
  wifv_forbid_widgets(${name})
endfunction()

function(wifv_forbid_widgets target)
  target_include_directories(${target} BEFORE PRIVATE
    ${PROJECT_SOURCE_DIR}/cmake/no-widgets)
endfunction()
