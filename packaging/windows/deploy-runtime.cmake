# Install-time script: puts next to the installed program the Qt plugins it
# needs, each in the folder of its kind (platforms/, styles/), where Qt looks
# beside the program, and the DLLs that Windows does not have (Qt's and the
# MinGW runtime's), found from the import tables of the program and the
# plugins, and of those DLLs in turn.
# Set by the install rule that includes this script:
#   TAVIMORK_DEPLOY_PROGRAM      the program, as built
#   TAVIMORK_DEPLOY_PLUGINS      the Qt plugins, as <kind>/<file> under Qt's plugin folder
#   TAVIMORK_DEPLOY_PLUGIN_DIR   Qt's plugin folder
#   TAVIMORK_DEPLOY_DIRECTORIES  where those DLLs are: Qt's bin, the MinGW runtime
#   TAVIMORK_DEPLOY_DESTINATION  folder of the installed program, under the prefix
#   TAVIMORK_DEPLOY_OBJDUMP      the MinGW objdump, which reads PE import tables
#   TAVIMORK_DEPLOY_STRIP        the MinGW strip, for an install with stripping
#
# Not file(GET_RUNTIME_DEPENDENCIES): for Windows files it looks for the DLL
# names in lower case, which a Linux file system does not find.

# Install scripts run with no policies set; include() scopes this one.
cmake_policy(VERSION 3.22)

# Windows matches DLL names whatever their case; importers spell them as
# they like (KERNEL32.dll, Qt6Core.dll).
foreach(dir IN LISTS TAVIMORK_DEPLOY_DIRECTORIES)
    file(GLOB dlls "${dir}/*.dll")
    foreach(dll IN LISTS dlls)
        get_filename_component(name "${dll}" NAME)
        string(TOLOWER "${name}" key)
        if(NOT DEFINED "dll_${key}")
            set("dll_${key}" "${dll}")
        endif()
    endforeach()
endforeach()

set(queue "${TAVIMORK_DEPLOY_PROGRAM}")
foreach(plugin IN LISTS TAVIMORK_DEPLOY_PLUGINS)
    list(APPEND queue "${TAVIMORK_DEPLOY_PLUGIN_DIR}/${plugin}")
endforeach()
set(seen)
set(resolved)
while(queue)
    list(POP_FRONT queue file)
    execute_process(COMMAND "${TAVIMORK_DEPLOY_OBJDUMP}" -p "${file}"
                    OUTPUT_VARIABLE headers ERROR_VARIABLE error RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "${TAVIMORK_DEPLOY_OBJDUMP} cannot read ${file}: ${error}")
    endif()
    string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${headers}")
    foreach(import IN LISTS imports)
        string(REGEX REPLACE "^DLL Name: " "" name "${import}")
        string(TOLOWER "${name}" key)
        if(key IN_LIST seen)
            continue()
        endif()
        list(APPEND seen "${key}")
        if(DEFINED "dll_${key}")
            list(APPEND resolved "${dll_${key}}")
            list(APPEND queue "${dll_${key}}")
        elseif(key MATCHES "^(qt6|lib)")
            # Not Windows' own: without it the program would not start, so the
            # install fails here rather than on the user's machine.
            message(FATAL_ERROR "${name}, which ${file} loads, is in none of "
                                "${TAVIMORK_DEPLOY_DIRECTORIES}")
        endif()
    endforeach()
endwhile()
if(NOT resolved)
    message(FATAL_ERROR "found no DLL of Qt or MinGW that ${TAVIMORK_DEPLOY_PROGRAM} loads")
endif()

set(destination "${CMAKE_INSTALL_PREFIX}/${TAVIMORK_DEPLOY_DESTINATION}")
set(installed)
foreach(library IN LISTS resolved)
    file(INSTALL "${library}" DESTINATION "${destination}")
    get_filename_component(name "${library}" NAME)
    list(APPEND installed "${name}")
endforeach()
foreach(plugin IN LISTS TAVIMORK_DEPLOY_PLUGINS)
    get_filename_component(kind "${plugin}" DIRECTORY)
    file(INSTALL "${TAVIMORK_DEPLOY_PLUGIN_DIR}/${plugin}" DESTINATION "${destination}/${kind}")
    list(APPEND installed "${plugin}")
endforeach()

# The DLLs come with their symbol tables, libstdc++ with its debug information:
# 59 MB in all, 25 MB stripped.
if(CMAKE_INSTALL_DO_STRIP)
    foreach(name IN LISTS installed)
        execute_process(COMMAND "${TAVIMORK_DEPLOY_STRIP}" --strip-unneeded
                                "$ENV{DESTDIR}${destination}/${name}"
                        RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR "${TAVIMORK_DEPLOY_STRIP} failed on ${name}")
        endif()
    endforeach()
endif()
