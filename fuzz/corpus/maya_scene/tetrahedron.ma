//Maya ASCII 2018ff07 scene
//Name: FlatTetrahedron.ma
//Last modified: Sun, Feb 03, 2019 11:49:53 AM
//Codeset: 1252
createNode mesh -n "pPyramidShape1" -p "pPyramid1";
	rename -uid "47349536-4B6C-885A-102E-B2AE5FCA8311";
	setAttr -k off ".v";
	setAttr ".vir" yes;
	setAttr ".vif" yes;
	setAttr ".uvst[0].uvsn" -type "string" "map1";
	setAttr -s 8 ".uvst[0].uvsp[0:7]" -type "float2" 0.375 0.033493623
		 0.375 0.46650636 0.75 0.25 0.25 0.5 0.41666669 0.5 0.58333337 0.5 0.75000006 0.5
		 0.5 1;
	setAttr ".cuvs" -type "string" "map1";
	setAttr ".dcol" yes;
	setAttr ".dcc" -type "string" "Ambient+Diffuse";
	setAttr ".ccls" -type "string" "colorSet1";
	setAttr ".clst[0].clsn" -type "string" "colorSet1";
	setAttr -s 12 ".clst[0].clsp[0:11]"  0.26989999 0.2599 0.68400002 1
		 0.54930001 0.68400002 0.2599 1 0.26989999 0.2599 0.68400002 1 0.2599 0.68400002 0.44949999
		 1 0.2599 0.68400002 0.44949999 1 0.54930001 0.68400002 0.2599 1 0.26989999 0.2599
		 0.68400002 1 0.2599 0.68400002 0.44949999 1 0.54930001 0.68400002 0.2599 1 1 0.40400001
		 0.40400001 1 1 0.40400001 0.40400001 1 1 0.40400001 0.40400001 1;
	setAttr ".covm[0]"  0 1 1;
	setAttr ".cdvm[0]"  0 1 1;
	setAttr -s 4 ".vt[0:3]"  -0.2886751 -0.40824831 -0.50000006 -0.28867516 -0.40824831 0.49999997
		 0.57735026 -0.40824831 0 0 0.40824831 0;
	setAttr -s 6 ".ed[0:5]"  0 1 0 1 2 0 2 0 0 0 3 0 1 3 0 2 3 0;
	setAttr -s 12 ".n[0:11]" -type "float3"  1e+20 1e+20 1e+20 1e+20 1e+20
		 1e+20 1e+20 1e+20 1e+20 1e+20 1e+20 1e+20 1e+20 1e+20 1e+20 1e+20 1e+20 1e+20 1e+20
		 1e+20 1e+20 1e+20 1e+20 1e+20 1e+20 1e+20 1e+20 1e+20 1e+20 1e+20 1e+20 1e+20 1e+20
		 1e+20 1e+20 1e+20;
	setAttr -s 4 -ch 12 ".fc[0:3]" -type "polyFaces" 
		f 3 -3 -2 -1
		mu 0 3 0 2 1
		mc 0 3 9 10 11
		f 3 0 4 -4
		mu 0 3 3 4 7
		mc 0 3 0 2 6
		f 3 1 5 -5
		mu 0 3 4 5 7
		mc 0 3 3 4 7
		f 3 2 3 -6
		mu 0 3 5 6 7
		mc 0 3 5 1 8;
	setAttr ".cd" -type "dataPolyComponent" Index_Data Edge 0 ;
	setAttr ".cvd" -type "dataPolyComponent" Index_Data Vertex 0 ;
	setAttr ".pd[0]" -type "dataPolyComponent" Index_Data UV 0 ;
	setAttr ".hfd" -type "dataPolyComponent" Index_Data Face 0 ;
	setAttr ".bck" 1;
	setAttr ".vbc" no;
	setAttr ".ns" 0.2;
	setAttr ".ndt" 2;
	setAttr ".dn" yes;
	setAttr ".dtn" yes;
// End
