# Sanitizers apply to every target so that instrumented libraries and executables agree.
if(VARNOLITH_SANITIZE)
  string(REPLACE ";" "," _san "${VARNOLITH_SANITIZE}")
  add_compile_options(-fsanitize=${_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_san})
endif()
