lumora_add_test(test_nativename SOURCES platform/test_nativename.cpp TIMEOUT 30)
