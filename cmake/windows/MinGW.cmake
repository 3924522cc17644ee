# A plug-in (VOGAME_PLUGIN: the library or the host check) as a MinGW-w64 DLL.
# Only the two functions marked for export leave it (ld exports nothing else
# once one symbol is marked), and the static runtime libraries it carries
# export nothing either.
target_link_options(${VOGAME_PLUGIN} PRIVATE -Wl,--exclude-libs,ALL -Wl,--no-undefined)
