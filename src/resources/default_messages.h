/* The launcher's default message texts, by id. Included by wyn.rc for the Windows string
   table and by the Linux resource layer, so both carry the same texts. */
WYN_MESSAGE(1, "Java Runtime Environment not found.")
WYN_MESSAGE(2, "Java Runtime Environment not valid.")
WYN_MESSAGE(3, "Java Virtual Machine initialize failed.")
WYN_MESSAGE(4, "Java Virtual Machine starts failed.")
WYN_MESSAGE(5, "Can not get the virtual machine version.")
WYN_MESSAGE(6, "Java virtual machine version %s is too low, require %s or higher.")
WYN_MESSAGE(7, "The main startup class could not be found.")
WYN_MESSAGE(8, "The main startup class is not valid, main method missing.")
WYN_MESSAGE(10, "Error")
WYN_MESSAGE(12, "Java virtual machine version %s is too high, version between %s and %s is required.")
WYN_MESSAGE(13, "There is already an instance of this program running.")
