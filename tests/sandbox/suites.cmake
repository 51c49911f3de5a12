# The demo marketplace's protocols, spoken to over loopback.
foreach(suite sandbox_gateway sandbox_menu sandbox_protocol)
    kestrova_add_suite(tst_${suite} SOURCES tst_${suite}.cpp LABELS sandbox)
endforeach()
kestrova_add_suite(tst_sandbox_faults SOURCES tst_sandbox_faults.cpp LABELS sandbox RUN_SERIAL)
