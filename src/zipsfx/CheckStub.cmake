# Checks the self-extractor stub STUB after it is linked. The conversion refuses stubs shorter
# than 28000 bytes; the directory reader looks for the archive in an .exe from byte 14000 over
# 60000 candidate bytes, so the stub must end by byte 73999 and must not hold the local header
# signature "PK" 3 4 from byte 14000 on, or that would be taken for the archive's first entry.
file(SIZE ${STUB} size)
if(size LESS 28000 OR size GREATER 73999)
  message(FATAL_ERROR "${STUB} is ${size} bytes long; a stub has 28000 to 73999 bytes")
endif()
file(READ ${STUB} hex OFFSET 14000 HEX)
string(REGEX REPLACE "(..)" " \\1" bytes "${hex}")
string(FIND "${bytes}" " 50 4b 03 04" at)
if(NOT at EQUAL -1)
  math(EXPR at "14000 + ${at} / 3")
  message(FATAL_ERROR "${STUB} holds \"PK\" 3 4 at byte ${at}")
endif()
