# One list of warnings for every target of ours; MORVANE_WERROR makes them fatal.
add_library(morvane_warnings INTERFACE)
target_compile_options(morvane_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion -Wold-style-cast
    -Wnon-virtual-dtor -Woverloaded-virtual
    $<$<BOOL:${MORVANE_WERROR}>:-Werror>)
