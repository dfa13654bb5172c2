-- Demo rows of a company database, on top of company.sql and
-- import-function.sql. Run with psql -v operator=... -v stored_password=...
-- -v jas_ip=...

insert into emitent (emitent, operator_parola, este_emitent, este_operator, este_comisionar, este_sofer,
  eu_punct_lucru, da_nu_schimbare_pl, da_nu_adaugare_partener, da_nu_adaugare_articol,
  da_nu_acces_la_politica_pret, da_nu_modif_data_listare, da_nu_acces_limita_creditare, prez_of_stoc_fact_cl,
  prez_of_stoc_av_exp, prez_of_stoc_bte, prez_of_stoc_bc, pret_fact_cl_cu_tva, da_nu_fact_pe_calc,
  da_nu_modif_nr_fact_pe_calc, da_nu_fact_autocopy, da_nu_aviz_autocopy, da_nu_modif_data_livrare, data_ins,
  em_outgoing_email_secure, em_outlook, discontinued, da_nu_generare_op)
values (:'operator', :'stored_password', true, true, false, false, 'Sediu central', false, false, false, false,
  false, false, false, false, false, false, false, false, false, false, false, false, current_date,
  false, false, false, false);

insert into aplicatie_mob (aplicatie_mob, activ, obs) values ('wImportFactVintra', true, 'import facturi Vintra');
insert into aplicatie_mob_emitent (aplicatie_mob, emitent, rol) values ('wImportFactVintra', :'operator', 'operator');

insert into eu (cod_cci, data_incep_activitate, tara, localit, adresa, metoda_stoc, da_nu_scadere_stoc_in_viitor,
  da_nu_impozit_profit, da_nu_nevoi_firma, prez_of_stoc_fact_cl, da_nu_postcalcul, prez_of_stoc_av_exp,
  prez_of_stoc_bte, prez_of_stoc_bc, pret_fact_cl_cu_tva, pret_nir_cu_tva, pret_cmd_client_cu_tva,
  da_nu_tva_neexigibil, da_nu_list_fact_pr_ctl, da_nu_list_fact_neop_stoc, da_nu_bon_pe_calc,
  da_nu_cmd_pe_extrasb, da_nu_fact_pe_calc, da_nu_fact_autocopy, da_nu_aviz_autocopy, da_nu_nir_in_mag_dest,
  tip_contabilitate, da_nu_politica_pret_punct_lucru, da_nu_nota_c_fara_restrictie, da_nu_mon_cont_tip_doc,
  data_denominare, da_nu_balanta_pe_obiective, da_nu_rezervare_stoc, da_nu_contare_avz_c, da_nu_contare_nirad,
  norma, da_nu_autoinchidere_cmd_client, da_nu_autoinchidere_cmd_furn, da_nu_institutie_publica,
  da_nu_balanta_pe_subunitati, da_nu_b_casa_stoc, da_nu_b_casa_articol, da_nu_salarii_in_postcalcul,
  da_nu_turism_in_comision, da_nu_confirmare_comanda, da_nu_micro_intreprindere,
  da_nu_tva_nededus_cont_separat, jas_ip)
values ('RO12345678', '2010-01-01', 'RO', 'Iasi', 'Str. Demo 1', 'FIFO', false, false, false, false, false, false,
  false, false, false, false, false, false, false, false, false, false, false, false, false, false,
  'partida dubla', false, false, false, '2005-07-01', false, false, false, false, 8, false, false, false, false,
  false, false, false, false, false, false, false, :'jas_ip');
