# The catalogue and search routines on real widgets, against loopback servers.
foreach(suite catalogchildren categorymenu categorypath clickthrough paging resultpage
        searchcriteria timer1)
    kestrova_add_suite(tst_${suite} SOURCES tst_${suite}.cpp LABELS routines)
endforeach()
# These measure time-outs.
foreach(suite webfetcher xmlreader)
    kestrova_add_suite(tst_${suite} SOURCES tst_${suite}.cpp LABELS routines RUN_SERIAL)
endforeach()
# Most of its two minutes are time-outs spent waiting, and its memory figures are its own
# process's: it runs beside the others, started first so that it does not end last.
kestrova_add_suite(tst_hostile_servers SOURCES tst_hostile_servers.cpp LABELS routines)
set_tests_properties(tst_hostile_servers PROPERTIES COST 1000)
