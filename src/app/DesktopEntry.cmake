# Install step: writes the desktop entry with the program's full path, which is known only once the prefix is.
# Expects QUILLON_DESKTOP_TEMPLATE, QUILLON_DESKTOP_FILE and QUILLON_INSTALL_DIR.
get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
set(program "${prefix}/${QUILLON_INSTALL_DIR}/quillon")
# Exec takes a quoted argument: quoting escapes first, then the value's own
# backslash escapes, and "%" would start a field code.
string(REPLACE "\\" "\\\\" program "${program}")
string(REPLACE "\"" "\\\"" program "${program}")
string(REPLACE "`" "\\`" program "${program}")
string(REPLACE "$" "\\$" program "${program}")
string(REPLACE "\\" "\\\\" program "${program}")
string(REPLACE "%" "%%" program "${program}")
set(QUILLON_EXEC "\"${program}\"")
configure_file("${QUILLON_DESKTOP_TEMPLATE}" "${QUILLON_DESKTOP_FILE}" @ONLY)
