# A seam between platforms: the target takes one of two source files, the
# first where the condition (the name of a variable, such as a configuration
# check's result or WIN32) holds, the second, the plain or other form,
# elsewhere.
function(vortex_choose_source target condition when_true otherwise)
  if(${condition})
    target_sources(${target} PRIVATE ${when_true})
  else()
    target_sources(${target} PRIVATE ${otherwise})
  endif()
endfunction()
