# The ThreadSanitizer build (the tsan preset): every target instrumented, so
# a data race between the link's threads, the simulator's and the
# configurator's shows up in the tests that drive them.
option(VELK_TSAN "Build with ThreadSanitizer" OFF)
if(VELK_TSAN)
  if(VELK_SANITIZE)
    message(FATAL_ERROR "VELK_TSAN and VELK_SANITIZE are separate builds")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
