/* What the reports on the scan log need beyond the log's own period index: the keys not found
   and misread are a small part of the log, read by outcome within a period. */
CREATE INDEX ZANTOR_LMV_CONSULTAS_RESULTADO ON ZANTOR_LMV_CONSULTAS (RESULTADO, FECHA_HORA);
