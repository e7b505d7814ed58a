# Run by `cmake --install`: writes the menu entry naming the program where this install puts it, so
# the entry starts it whatever --prefix says; DESTDIR is only a staging root and stays out of it.
# Expects MERVALE_APP_ID, MERVALE_DESKTOP_TEMPLATE and MERVALE_DESKTOP_OUTPUT.
set(program "${CMAKE_INSTALL_PREFIX}/bin/mervale")
# A path with a reserved character is quoted, with the four characters that stay special inside
# quotes escaped; the value's own escaping then doubles every backslash, and % is a field code.
if(program MATCHES "[] \t\"'\\\\><~|&;$*?#()`[]")
  string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" program "${program}")
  string(REPLACE "\\" "\\\\" program "${program}")
  set(program "\"${program}\"")
endif()
string(REPLACE "%" "%%" MERVALE_INSTALLED_PROGRAM "${program}")
configure_file("${MERVALE_DESKTOP_TEMPLATE}" "${MERVALE_DESKTOP_OUTPUT}" @ONLY)
