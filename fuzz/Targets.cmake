# One entry per fuzz target: fuzz/<name>.cpp, seeded from fuzz/corpus/<name>/.
set(LUMIVEX_FUZZ_TARGETS fuzz_ini)
