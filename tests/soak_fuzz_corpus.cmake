# The committed fuzz corpora, crash reproducers among them, replayed through
# the fuzz targets' own harnesses: what the fuzzer once found stays fixed in
# every build, not only in the clang one.
if(GAMEVRAK_FUZZ)
  return()
endif()
foreach(name bitmap slot console)
  if(TARGET fuzz_${name})
    add_test(NAME fuzz_corpus_${name} COMMAND fuzz_${name} ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name})
    set_tests_properties(fuzz_corpus_${name} PROPERTIES LABELS fuzz-corpus TIMEOUT 1800)
  endif()
endforeach()
