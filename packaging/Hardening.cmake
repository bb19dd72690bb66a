# Release builds are hardened as Debian builds its packages: checked string and memory functions,
# stack canaries, and a read-only relocation table resolved at start. Debug builds stay plain so
# that -O0 keeps working (fortify needs the optimizer).
set(NULLSWEEP_RELEASE_CONFIGS "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
add_compile_options(
  "$<${NULLSWEEP_RELEASE_CONFIGS}:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2;-fstack-protector-strong>")
add_link_options("$<${NULLSWEEP_RELEASE_CONFIGS}:LINKER:-z,relro,-z,now>")
