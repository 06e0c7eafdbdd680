# nerro_optimize_for_size(<targets...>)
#
# The Windows programs' code that runs a few times per installation (the
# dialogs and widgets, the configuration, the install and uninstall steps, the
# Win32 layer) is built for size: the installer stub travels in every product,
# and -Os takes a fifth of it. The codecs, the pack (its check value) and the
# foundation library (byte streams, the work queue of the file writers) keep
# the tree's optimisation: they handle every byte of the payload.
function(nerro_optimize_for_size)
  foreach(target IN LISTS ARGN)
    target_compile_options(${target} PRIVATE -Os)
  endforeach()
endfunction()
