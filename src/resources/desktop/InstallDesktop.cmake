# Writes the launcher and the desktop entry at install time, so that the paths in them follow
# the prefix given to `cmake --install --prefix`, not only the one configured. Set before it
# runs: NIMBACAST_DESKTOP_SOURCE, NIMBACAST_DESKTOP_STAGING, NIMBACAST_BINDIR,
# NIMBACAST_DATA_SUBDIR, NIMBACAST_LIBEXECDIR and NIMBACAST_DATADIR (relative to the prefix
# or absolute).

function(nimbacast_full_path out dir)
    if(IS_ABSOLUTE "${dir}")
        set(${out} "${dir}" PARENT_SCOPE)
    else()
        set(${out} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
    endif()
endfunction()

# A word for /bin/sh in single quotes.
function(nimbacast_shell_quote out text)
    string(REPLACE "'" "'\\''" text "${text}")
    set(${out} "'${text}'" PARENT_SCOPE)
endfunction()

# A program path as the Exec key of a desktop entry wants it: quoted when it holds a
# reserved character, % doubled, then the backslashes of a string value doubled.
function(nimbacast_desktop_exec out path)
    if(path MATCHES "[ \t\"'\\\\><~|&;$*?#()`]")
        string(REPLACE "\\" "\\\\" path "${path}")
        string(REPLACE "\"" "\\\"" path "${path}")
        string(REPLACE "`" "\\`" path "${path}")
        string(REPLACE "$" "\\$" path "${path}")
        set(path "\"${path}\"")
    endif()
    string(REPLACE "%" "%%" path "${path}")
    string(REPLACE "\\" "\\\\" path "${path}")
    set(${out} "${path}" PARENT_SCOPE)
endfunction()

nimbacast_full_path(bindir "${NIMBACAST_BINDIR}")
nimbacast_full_path(datadir "${NIMBACAST_DATADIR}")
nimbacast_full_path(libexecdir "${NIMBACAST_LIBEXECDIR}")
nimbacast_full_path(appdata "${NIMBACAST_DATA_SUBDIR}")
set(launcher "${libexecdir}/nimbacast/nimbacast-launch")
if(launcher MATCHES "[\n\r]")
    message(FATAL_ERROR "A desktop entry cannot name a path with a line break: ${launcher}")
endif()

nimbacast_shell_quote(NIMBACAST_PROGRAM_SH "${bindir}/nimbacast")
nimbacast_shell_quote(NIMBACAST_HELP_SH "${appdata}/GuiHelp.hlp")
nimbacast_desktop_exec(NIMBACAST_EXEC "${launcher}")

# A staging place of this install's own: two installs of one build into different prefixes
# at the same time (the tests do that) must not install each other's paths.
string(MD5 install_id "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(staging "${NIMBACAST_DESKTOP_STAGING}/${install_id}")
configure_file("${NIMBACAST_DESKTOP_SOURCE}/nimbacast-launch.in"
    "${staging}/nimbacast-launch" @ONLY)
configure_file("${NIMBACAST_DESKTOP_SOURCE}/org.nimbacast.Nimbacast.desktop.in"
    "${staging}/org.nimbacast.Nimbacast.desktop" @ONLY)

file(INSTALL DESTINATION "${libexecdir}/nimbacast" TYPE PROGRAM
    FILES "${staging}/nimbacast-launch")
file(INSTALL DESTINATION "${datadir}/applications" TYPE FILE
    FILES "${staging}/org.nimbacast.Nimbacast.desktop")
file(REMOVE_RECURSE "${staging}")
