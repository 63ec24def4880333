/* The keeper program's image (keeper_program.cpp, linked statically), carried inside the process
   layer so that it runs from memory wherever this program is: no file to install or find. */
    .section .rodata
    .balign 16
    .globl tarnwick_keeper_image_start
    .hidden tarnwick_keeper_image_start
tarnwick_keeper_image_start:
    .incbin KEEPER_IMAGE
    .globl tarnwick_keeper_image_end
    .hidden tarnwick_keeper_image_end
tarnwick_keeper_image_end:
    .section .note.GNU-stack,"",%progbits
