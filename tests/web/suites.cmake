# The real panes and the real window, on WebEngine offscreen.
kestrova_add_suite(tst_engineswitches SOURCES tst_engineswitches.cpp LINKS kestrova_panes
    LABELS web)
kestrova_add_suite(tst_startup SOURCES tst_startup.cpp LINKS kestrova_app LABELS web)
foreach(suite webenginepane hostile_content form1)
    kestrova_add_suite(tst_${suite} SOURCES tst_${suite}.cpp LINKS kestrova_app LABELS web
        RUN_SERIAL)
endforeach()
