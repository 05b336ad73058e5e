/* Every ERP user's station writes its own scan rows and its own health row, and claims the day's
   clean-up in the settings table (already granted to the role). */
GRANT ALL ON ZANTOR_LMV_CONSULTAS TO USUARIO_MICROSIP;
GRANT ALL ON ZANTOR_LMV_ESTACIONES TO USUARIO_MICROSIP;
