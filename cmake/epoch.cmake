# Writes the build's SOURCE_DATE_EPOCH into OUT when it differs from what OUT
# holds. The programs carry that time as their link time and depend on OUT,
# so a new time links them again and an unchanged one leaves them alone.
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
set(old "")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
endif()
if(NOT old STREQUAL epoch)
  file(WRITE "${OUT}" "${epoch}")
endif()
