# Where data put into the program with .incbin goes, and the directive that
# returns to the section before it. ELF returns with .previous; PE/COFF has no
# such directive, and its read-only data section is .rdata.
if(WIN32)
  set(VELMORA_ASM_RODATA ".rdata,\\\"dr\\\"")
  set(VELMORA_ASM_BACK ".text")
else()
  set(VELMORA_ASM_RODATA ".rodata")
  set(VELMORA_ASM_BACK ".previous")
endif()
