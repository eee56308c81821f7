       IDENTIFICATION DIVISION.
       PROGRAM-ID. MASKBNCH.
      *> GnuCOBOL's own numeric editing of the values that bench_masks
      *> formats: MOVE to an edited item, FUNCTION NUMVAL-C back.
      *> 1,000 values from the same generator, 1,000 rounds, best of 5.
      *> Output lines: <picture> <direction> <ns per value> <M per s>
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  SEED                PIC 9(18) VALUE 20261211.
       01  DIGITS              PIC 9(4).
       01  POWER               PIC 9(18).
       01  MAG                 PIC 9(18).
       01  HALF                PIC 9(18).
       01  I                   PIC 9(4) COMP-5.
       01  R                   PIC 9(4) COMP-5.
       01  RUN-NO              PIC 9(4) COMP-5.
       01  VALUE-TABLE.
           05  VAL             PIC S9(8)V99 OCCURS 1000.
       01  TEXT-TABLE.
           05  TXT             PIC X(15) OCCURS 1000.
       01  ED-Z                PIC ZZZ,ZZZ,ZZ9.99-.
       01  ED-D                PIC $$$,$$$,$$9.99-.
       01  BACK                PIC S9(9)V99.
       01  T0                  PIC S9(18) COMP-5.
       01  T1                  PIC S9(18) COMP-5.
       01  BEST                PIC S9(18) COMP-5.
       01  NS-PER              PIC ZZZZ9.9.
       01  M-PER               PIC ZZZ9.99.
       01  PER-VALUE           PIC 9(9)V9(4).
       01  WHICH               PIC X(20).
       01  DIRECTION           PIC X(8).
       PROCEDURE DIVISION.
           PERFORM VARYING I FROM 1 BY 1 UNTIL I > 1000
               PERFORM NEXT-SEED
               COMPUTE DIGITS = 1 + FUNCTION MOD(SEED, 8)
               COMPUTE POWER = 10 ** DIGITS
               PERFORM NEXT-SEED
               COMPUTE MAG = FUNCTION MOD(SEED, POWER)
               PERFORM NEXT-SEED
               COMPUTE HALF = FUNCTION MOD(SEED / 65536, 2)
               IF HALF = 1
                   COMPUTE VAL(I) = 0 - MAG / 100
               ELSE
                   COMPUTE VAL(I) = MAG / 100
               END-IF
           END-PERFORM

           MOVE "ZZZ,ZZZ,ZZ9.99-" TO WHICH
           MOVE "display" TO DIRECTION
           MOVE 999999999999999999 TO BEST
           PERFORM VARYING RUN-NO FROM 1 BY 1 UNTIL RUN-NO > 5
               CALL "KVB_NANOTIME" USING T0
               PERFORM VARYING R FROM 1 BY 1 UNTIL R > 1000
                   PERFORM VARYING I FROM 1 BY 1 UNTIL I > 1000
                       MOVE VAL(I) TO ED-Z
                   END-PERFORM
               END-PERFORM
               CALL "KVB_NANOTIME" USING T1
               PERFORM KEEP-BEST
           END-PERFORM
           PERFORM REPORT-LINE

           PERFORM VARYING I FROM 1 BY 1 UNTIL I > 1000
               MOVE VAL(I) TO ED-Z
               MOVE ED-Z TO TXT(I)
           END-PERFORM
           MOVE "user" TO DIRECTION
           MOVE 999999999999999999 TO BEST
           PERFORM VARYING RUN-NO FROM 1 BY 1 UNTIL RUN-NO > 5
               CALL "KVB_NANOTIME" USING T0
               PERFORM VARYING R FROM 1 BY 1 UNTIL R > 1000
                   PERFORM VARYING I FROM 1 BY 1 UNTIL I > 1000
                       COMPUTE BACK = FUNCTION NUMVAL-C(TXT(I))
                   END-PERFORM
               END-PERFORM
               CALL "KVB_NANOTIME" USING T1
               PERFORM KEEP-BEST
           END-PERFORM
           PERFORM CHECK-BACK
           PERFORM REPORT-LINE

           MOVE "$$$,$$$,$$9.99-" TO WHICH
           MOVE "display" TO DIRECTION
           MOVE 999999999999999999 TO BEST
           PERFORM VARYING RUN-NO FROM 1 BY 1 UNTIL RUN-NO > 5
               CALL "KVB_NANOTIME" USING T0
               PERFORM VARYING R FROM 1 BY 1 UNTIL R > 1000
                   PERFORM VARYING I FROM 1 BY 1 UNTIL I > 1000
                       MOVE VAL(I) TO ED-D
                   END-PERFORM
               END-PERFORM
               CALL "KVB_NANOTIME" USING T1
               PERFORM KEEP-BEST
           END-PERFORM
           PERFORM REPORT-LINE

           PERFORM VARYING I FROM 1 BY 1 UNTIL I > 1000
               MOVE VAL(I) TO ED-D
               MOVE ED-D TO TXT(I)
           END-PERFORM
           MOVE "user" TO DIRECTION
           MOVE 999999999999999999 TO BEST
           PERFORM VARYING RUN-NO FROM 1 BY 1 UNTIL RUN-NO > 5
               CALL "KVB_NANOTIME" USING T0
               PERFORM VARYING R FROM 1 BY 1 UNTIL R > 1000
                   PERFORM VARYING I FROM 1 BY 1 UNTIL I > 1000
                       COMPUTE BACK = FUNCTION NUMVAL-C(TXT(I))
                   END-PERFORM
               END-PERFORM
               CALL "KVB_NANOTIME" USING T1
               PERFORM KEEP-BEST
           END-PERFORM
           PERFORM CHECK-BACK
           PERFORM REPORT-LINE
           STOP RUN.

       NEXT-SEED.
           COMPUTE SEED = FUNCTION MOD(SEED * 1103515245 + 12345,
                                       2147483648).

       KEEP-BEST.
           IF T1 - T0 < BEST
               COMPUTE BEST = T1 - T0
           END-IF.

       CHECK-BACK.
      *>   The last text read back must give its value again.
           IF BACK NOT = VAL(1000)
               DISPLAY "NUMVAL-C gave " BACK " for " TXT(1000)
               MOVE 1 TO RETURN-CODE
           END-IF.

       REPORT-LINE.
           COMPUTE PER-VALUE = BEST / 1000000
           MOVE PER-VALUE TO NS-PER
           COMPUTE M-PER = 1000 / PER-VALUE
           DISPLAY FUNCTION TRIM(WHICH) " " FUNCTION TRIM(DIRECTION)
                   " " FUNCTION TRIM(NS-PER) " " FUNCTION TRIM(M-PER).
