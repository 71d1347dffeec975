# kmx_add_resources(TARGET FILE.rc)
#
# Compiles a resource script with windres into standard .res data and embeds
# it in TARGET, where FindResource finds it on the module's handle. The data
# travels in an ELF note ("KMXRES"), so the loader maps it with the module
# and nothing needs registering at load time. The script sees the platform's
# SDK headers and its own folder, as the Windows build's resource compiler
# would.
set(KMX_PLATFORM_INCLUDE ${CMAKE_CURRENT_LIST_DIR}/../include CACHE INTERNAL
    "The SDK headers that resource scripts include")
find_program(KMX_WINDRES NAMES x86_64-w64-mingw32-windres i686-w64-mingw32-windres windres
             REQUIRED)

function(kmx_add_resources target rc_file)
  get_filename_component(rc_path ${rc_file} ABSOLUTE)
  get_filename_component(rc_dir ${rc_path} DIRECTORY)
  get_filename_component(rc_name ${rc_path} NAME_WE)
  set(res ${CMAKE_CURRENT_BINARY_DIR}/${target}_${rc_name}.res)
  set(embed ${CMAKE_CURRENT_BINARY_DIR}/${target}_${rc_name}_res.c)
  add_custom_command(
    OUTPUT ${res}
    COMMAND ${KMX_WINDRES}
            --preprocessor=${CMAKE_C_COMPILER}
            --preprocessor-arg=-E --preprocessor-arg=-xc --preprocessor-arg=-DRC_INVOKED
            --preprocessor-arg=-MD --preprocessor-arg=-MF${res}.d
            --preprocessor-arg=-MT${res}
            -I${KMX_PLATFORM_INCLUDE} -I${rc_dir}
            -O res ${rc_path} ${res}
    DEPENDS ${rc_path}
    DEPFILE ${res}.d
    COMMENT "Compiling resources ${rc_file}"
    VERBATIM)
  file(CONFIGURE OUTPUT ${embed} CONTENT [[
/* The compiled resources of @target@, in the note the module services look
 * for: name "KMXRES", the .res data as the note's description. */
__asm__(".pushsection .note.kmxwin.resources,\"a\",@note\n"
        ".balign 4\n"
        ".long 2f - 1f\n"
        ".long 4f - 3f\n"
        ".long 0x4B4D5852\n"
        "1: .asciz \"KMXRES\"\n"
        "2: .balign 4\n"
        "3: .incbin \"@res@\"\n"
        "4: .balign 4\n"
        ".popsection\n");
]] @ONLY)
  set_source_files_properties(${embed} PROPERTIES OBJECT_DEPENDS ${res})
  target_sources(${target} PRIVATE ${embed})
endfunction()
