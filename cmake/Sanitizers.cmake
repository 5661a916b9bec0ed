# QVN_SANITIZE=ON builds everything with AddressSanitizer and UndefinedBehaviorSanitizer.
option(QVN_SANITIZE "Build with ASan and UBSan" OFF)
if(QVN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
