# The window against the real demo marketplace, and the launcher that starts both.
foreach(suite e2e_catalog e2e_search)
    kestrova_add_suite(tst_${suite} SOURCES tst_${suite}.cpp LINKS kestrova_app LABELS e2e)
endforeach()
kestrova_add_suite(tst_e2e_search_routines SOURCES tst_e2e_search_routines.cpp LABELS e2e)
kestrova_add_suite(tst_launcher SOURCES tst_launcher.cpp LABELS e2e STARTS_PROGRAM)
