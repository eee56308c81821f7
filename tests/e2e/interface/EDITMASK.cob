       IDENTIFICATION DIVISION.
       PROGRAM-ID. EDITMASK.
      *> An application's own mask table of two masks: mask 1 for any
      *> number outside 1-2, as the runtime expects of EDITMASK.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  MASK-TABLE.
           05  FILLER PIC X(82) VALUE "N ZZ,ZZ9.99-".
           05  FILLER PIC X(82) VALUE "N $$$,$$9.99CR".
       01  MASKS REDEFINES MASK-TABLE.
           05  MASK-ENTRY PIC X(82) OCCURS 2.
       LINKAGE SECTION.
       01  MASK-NUMB                   PIC 999.
       01  MASK-OUT                    PIC X(82).
       PROCEDURE DIVISION USING MASK-NUMB MASK-OUT.
           IF MASK-NUMB IS NUMERIC AND MASK-NUMB > 0
                                   AND MASK-NUMB NOT > 2
               MOVE MASK-ENTRY(MASK-NUMB) TO MASK-OUT
           ELSE
               MOVE MASK-ENTRY(1) TO MASK-OUT
           END-IF
           GOBACK.
