# The window against the real demo marketplace, and the launcher that starts both.
foreach(suite e2e_catalog e2e_search)
    kestrova_add_suite(tst_${suite} SOURCES tst_${suite}.cpp LINKS kestrova_app LABELS e2e)
    if(TARGET tst_${suite})
        target_link_libraries(tst_${suite} PRIVATE kestrova_windowsupport)
    endif()
endforeach()
kestrova_add_suite(tst_launcher SOURCES tst_launcher.cpp LABELS e2e STARTS_PROGRAM)
