# Units against standard values: request building, encoding and MD5, numbers, platform services.
foreach(suite createurl createurl_signed module1 numbertext platformservices browserlauncher
        assistivetechnology)
    kestrova_add_suite(tst_${suite} SOURCES tst_${suite}.cpp LABELS unit)
endforeach()
kestrova_add_suite(tst_benchsupport SOURCES tst_benchsupport.cpp LINKS kestrova_benchsupport
    LABELS unit RUN_SERIAL)
