# Settings every target of the project shares.
add_library(korvant_common_cfg INTERFACE)
target_compile_features(korvant_common_cfg INTERFACE cxx_std_20)
target_compile_options(korvant_common_cfg INTERFACE
  -Wall -Wextra -pedantic -Wold-style-cast -Wnon-virtual-dtor
  $<$<BOOL:${KORVANT_WERROR}>:-Werror>)
target_compile_definitions(korvant_common_cfg INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_USE_QSTRINGBUILDER
  QT_NO_KEYWORDS)
